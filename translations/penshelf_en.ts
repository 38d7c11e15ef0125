<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BackupWindow</name>
    <message>
        <source>备份点读包</source>
        <translation>Back Up Books</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>当前点读包的进度</source>
        <translation>Progress of the current book</translation>
    </message>
    <message>
        <source>全部点读包的进度</source>
        <translation>Progress of all books</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
</context>
<context>
    <name>CheckWindow</name>
    <message>
        <source>检查点读笔</source>
        <translation>Check Pen</translation>
    </message>
    <message>
        <source>检查进度</source>
        <translation>Check progress</translation>
    </message>
    <message>
        <source>检查结果</source>
        <translation>Check result</translation>
    </message>
</context>
<context>
    <name>InstWindow</name>
    <message>
        <source>安装点读包</source>
        <translation>Install Book</translation>
    </message>
    <message>
        <source>点读包：</source>
        <translation>Book:</translation>
    </message>
    <message>
        <source>点读包编号：</source>
        <translation>Book number:</translation>
    </message>
    <message>
        <source>同时安装到其他点读笔：</source>
        <translation>Also install on these pens:</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>安装</source>
        <translation>Install</translation>
    </message>
    <message>
        <source>点读包编号</source>
        <translation>Book number</translation>
    </message>
    <message>
        <source>同时安装到其他点读笔</source>
        <translation>Also install on other pens</translation>
    </message>
    <message>
        <source>安装进度</source>
        <translation>Install progress</translation>
    </message>
    <message>
        <source>各点读笔的安装结果</source>
        <translation>Install result on each pen</translation>
    </message>
    <message>
        <source>点读包已安装：%1</source>
        <translation>Book package installed: %1</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>PenShelf 点读笔助手</source>
        <translation>PenShelf Reading Pen Helper</translation>
    </message>
    <message>
        <source>点读笔：</source>
        <translation>Pen:</translation>
    </message>
    <message>
        <source>连接到电脑的点读笔</source>
        <translation>Reading pens connected to this computer</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>重新读取所选点读笔上的点读包</source>
        <translation>Read the books on the selected pen again</translation>
    </message>
    <message>
        <source>弹出</source>
        <translation>Eject</translation>
    </message>
    <message>
        <source>安全弹出所选点读笔</source>
        <translation>Safely eject the selected pen</translation>
    </message>
    <message>
        <source>识别码：</source>
        <translation>Identity code:</translation>
    </message>
    <message>
        <source>剩余空间：</source>
        <translation>Free space:</translation>
    </message>
    <message>
        <source>笔内点读包</source>
        <translation>Books on Pen</translation>
    </message>
    <message>
        <source>点读包下载</source>
        <translation>Book Downloads</translation>
    </message>
    <message>
        <source>维修服务</source>
        <translation>Repair Service</translation>
    </message>
    <message>
        <source>笔内的点读包</source>
        <translation>Books on the pen</translation>
    </message>
    <message>
        <source>安装点读包…</source>
        <translation>Install Book…</translation>
    </message>
    <message>
        <source>删除点读包</source>
        <translation>Remove Book</translation>
    </message>
    <message>
        <source>点读笔</source>
        <translation>Pen</translation>
    </message>
    <message>
        <source>备份点读包…</source>
        <translation>Back Up Books…</translation>
    </message>
    <message>
        <source>把所选点读笔上的全部点读包复制到电脑上的文件夹</source>
        <translation>Copy all the books on the selected pen into a folder on this computer</translation>
    </message>
    <message>
        <source>恢复点读包…</source>
        <translation>Restore Books…</translation>
    </message>
    <message>
        <source>把备份文件夹中的点读包复制回所选点读笔</source>
        <translation>Copy the books in a backup folder back onto the selected pen</translation>
    </message>
    <message>
        <source>复制点读包到其他点读笔…</source>
        <translation>Copy Books to Another Pen…</translation>
    </message>
    <message>
        <source>把所选点读笔上的全部点读包复制到另一支点读笔</source>
        <translation>Copy all the books on the selected pen onto another pen</translation>
    </message>
    <message>
        <source>全部弹出</source>
        <translation>Eject All</translation>
    </message>
    <message>
        <source>安全弹出所有点读笔</source>
        <translation>Safely eject every pen</translation>
    </message>
    <message>
        <source>检查点读笔…</source>
        <translation>Check Pen…</translation>
    </message>
    <message>
        <source>读取所选点读笔上的每本点读包，检查并修复点读笔的文件系统</source>
        <translation>Read every book on the selected pen, and check and repair its file system</translation>
    </message>
    <message>
        <source>识别码</source>
        <translation>Identity code</translation>
    </message>
    <message>
        <source>剩余空间</source>
        <translation>Free space</translation>
    </message>
    <message>
        <source>方向键选择点读包，Delete 键删除所选点读包</source>
        <translation>Arrow keys select a book; Delete removes the selected book</translation>
    </message>
    <message>
        <source>选择电脑上的点读包，安装到所选点读笔</source>
        <translation>Choose a book package on the computer and install it on the selected pen</translation>
    </message>
    <message>
        <source>从所选点读笔删除所选点读包</source>
        <translation>Delete the selected book from the selected pen</translation>
    </message>
    <message>
        <source>点读笔服务网页</source>
        <translation>Pen service web page</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Downloads</translation>
    </message>
</context>
<context>
    <name>PenChooser</name>
    <message>
        <source>可选的点读笔</source>
        <translation>Pens to choose from</translation>
    </message>
</context>
<context>
    <name>PortalDownloads</name>
    <message>
        <source>下载完成</source>
        <translation>Download finished</translation>
    </message>
    <message>
        <source>下载失败</source>
        <translation>Download failed</translation>
    </message>
</context>
<context>
    <name>PortalWeb</name>
    <message>
        <source>未设置服务地址</source>
        <translation>No service address is set</translation>
    </message>
    <message>
        <source>未设置服务地址，无法打开此页面。服务地址由环境变量 %1 设置。</source>
        <translation>No service address is set, so this page cannot be opened. The service address is set in the environment variable %1.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>PenShelf 点读笔助手</source>
        <translation>PenShelf Reading Pen Helper</translation>
    </message>
</context>
<context>
    <name>penshelf</name>
    <message>
        <source>点读笔未能弹出</source>
        <translation>The pen could not be ejected</translation>
    </message>
    <message>
        <source>可以安全拔出点读笔</source>
        <translation>The pen can be unplugged safely</translation>
    </message>
</context>
<context>
    <name>penshelf::BackupWindow</name>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>penshelf::BookTableModel</name>
    <message>
        <source>点读包名称</source>
        <translation>Book name</translation>
    </message>
    <message>
        <source>类型-编号</source>
        <translation>Type-number</translation>
    </message>
    <message>
        <source>自制-</source>
        <translation>Custom-</translation>
    </message>
    <message>
        <source>智能-</source>
        <translation>Smart-</translation>
    </message>
</context>
<context>
    <name>penshelf::DownloadRow</name>
    <message>
        <source>%1 的下载进度</source>
        <translation>Download progress of %1</translation>
    </message>
    <message>
        <source>取消下载 %1</source>
        <translation>Cancel the download of %1</translation>
    </message>
</context>
<context>
    <name>penshelf::InstWindow</name>
    <message>
        <source>安装到 %1 的进度</source>
        <translation>Progress of the install on %1</translation>
    </message>
</context>
<context>
    <name>penshelf::portal</name>
    <message>
        <source>暂时无法打开此页面</source>
        <translation>This page cannot be opened right now</translation>
    </message>
    <message>
        <source>现在无法连接点读笔服务网站，请检查网络连接后再试。</source>
        <translation>The reading pen service website cannot be reached. Please check your network connection and try again.</translation>
    </message>
</context>
<context>
    <name>penshelf::texts</name>
    <message>
        <source>此点读笔处于只读状态，文件系统可能已损坏，不能安装、删除或恢复点读包。请用“点读笔”菜单中的“检查点读笔…”检查。</source>
        <translation>This pen is read-only: its file system may be damaged, so books cannot be installed, removed or restored. Check it with “Check Pen…” in the “Pen” menu.</translation>
    </message>
    <message>
        <source>请选择需要安装的点读包</source>
        <translation>Choose the book to install</translation>
    </message>
    <message>
        <source>点读包 (*.vxb)</source>
        <translation>Book packages (*.vxb)</translation>
    </message>
    <message>
        <source><byte value="xd"/>
是否删除此点读包？</source>
        <translation><byte value="xd"/>
Remove this book?</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>点读包已下载到 %1</source>
        <translation>The book was downloaded to %1</translation>
    </message>
    <message>
        <source>点读包已下载到 %1，连接点读笔后即可安装。</source>
        <translation>The book was downloaded to %1. Connect a pen to install it.</translation>
    </message>
    <message>
        <source>文件已保存到 %1</source>
        <translation>The file was saved to %1</translation>
    </message>
    <message>
        <source>下载已取消</source>
        <translation>Download cancelled</translation>
    </message>
    <message>
        <source>下载失败：</source>
        <translation>Download failed: </translation>
    </message>
    <message>
        <source>无法创建下载文件夹</source>
        <translation>the download folder cannot be created</translation>
    </message>
    <message>
        <source>磁盘空间不足</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>没有写入下载文件夹的权限</source>
        <translation>no permission to write to the download folder</translation>
    </message>
    <message>
        <source>文件名过长</source>
        <translation>the file name is too long</translation>
    </message>
    <message>
        <source>无法保存文件</source>
        <translation>the file cannot be saved</translation>
    </message>
    <message>
        <source>网络超时</source>
        <translation>the network timed out</translation>
    </message>
    <message>
        <source>网络已断开</source>
        <translation>the network is disconnected</translation>
    </message>
    <message>
        <source>网络连接失败</source>
        <translation>the network connection failed</translation>
    </message>
    <message>
        <source>服务器拒绝了下载</source>
        <translation>the server refused the download</translation>
    </message>
    <message>
        <source>服务器证书无效</source>
        <translation>the server&apos;s certificate is not valid</translation>
    </message>
    <message>
        <source>连接中断，文件不完整</source>
        <translation>the connection broke off and the file is incomplete</translation>
    </message>
    <message>
        <source>服务器出错</source>
        <translation>a server error</translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation>an unknown error</translation>
    </message>
    <message>
        <source>备份点读包到新文件夹</source>
        <translation>Back Up Books into a New Folder</translation>
    </message>
    <message>
        <source>文件夹名称：</source>
        <translation>Folder name:</translation>
    </message>
    <message>
        <source>备份</source>
        <translation>Back Up</translation>
    </message>
    <message>
        <source>选择要恢复的备份文件夹</source>
        <translation>Choose the Backup Folder to Restore</translation>
    </message>
    <message>
        <source>点读笔</source>
        <translation>Pen</translation>
    </message>
    <message>
        <source>备份点读包</source>
        <translation>Back Up Books</translation>
    </message>
    <message>
        <source>恢复点读包</source>
        <translation>Restore Books</translation>
    </message>
    <message>
        <source>正在备份：%1</source>
        <translation>Backing up: %1</translation>
    </message>
    <message>
        <source>正在校验：%1</source>
        <translation>Verifying: %1</translation>
    </message>
    <message>
        <source>正在恢复：%1</source>
        <translation>Restoring: %1</translation>
    </message>
    <message>
        <source>第 %1 本，共 %2 本&#x3000;%3 / %4</source>
        <translation>Book %1 of %2  %3 / %4</translation>
    </message>
    <message>
        <source>正在取消……</source>
        <translation>Cancelling…</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>点读笔上已有其他点读包占用了下列点读包的编号：</source>
        <translation>Other books on the pen already use the numbers of these books:</translation>
    </message>
    <message>
        <source>跳过这些点读包，还是为它们使用同类点读包中最小的空闲编号？</source>
        <translation>Skip these books, or give them the lowest free numbers of their type?</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>Skip</translation>
    </message>
    <message>
        <source>使用空闲编号</source>
        <translation>Use Free Numbers</translation>
    </message>
    <message>
        <source>已备份（%1）：</source>
        <translation>Backed up (%1):</translation>
    </message>
    <message>
        <source>未能备份（%1）：</source>
        <translation>Not backed up (%1):</translation>
    </message>
    <message>
        <source>已恢复（%1）：</source>
        <translation>Restored (%1):</translation>
    </message>
    <message>
        <source>已在笔内（%1）：</source>
        <translation>Already on the pen (%1):</translation>
    </message>
    <message>
        <source>已跳过（%1）：</source>
        <translation>Skipped (%1):</translation>
    </message>
    <message>
        <source>失败（%1）：</source>
        <translation>Failed (%1):</translation>
    </message>
    <message>
        <source>检查点读笔</source>
        <translation>Check Pen</translation>
    </message>
    <message>
        <source>先从头到尾读取每本点读包，只读不写；再检查点读笔的文件系统。检查文件系统时点读笔会暂时卸载，请勿拔出。</source>
        <translation>First every book is read from start to end, without writing anything; then the pen’s file system is checked. While the file system is checked the pen is unmounted for a moment: do not unplug it.</translation>
    </message>
    <message>
        <source>正在读取点读包：第 %1 本，共 %2 本</source>
        <translation>Reading books: book %1 of %2</translation>
    </message>
    <message>
        <source>正在检查文件系统，点读笔已暂时卸载，请勿拔出……</source>
        <translation>Checking the file system. The pen is unmounted for now: do not unplug it…</translation>
    </message>
    <message>
        <source>正在修复文件系统，点读笔已暂时卸载，请勿拔出……</source>
        <translation>Repairing the file system. The pen is unmounted for now: do not unplug it…</translation>
    </message>
    <message>
        <source>正在重新读取点读包……</source>
        <translation>Reading the books again…</translation>
    </message>
    <message>
        <source>修复…</source>
        <translation>Repair…</translation>
    </message>
    <message>
        <source>修复文件系统时，已损坏的文件可能被截断或移走。建议先把点读包备份到电脑，再修复。</source>
        <translation>Repairing the file system may cut short or move damaged files. It is best to back up the books to this computer first, then repair.</translation>
    </message>
    <message>
        <source>先备份，再修复</source>
        <translation>Back Up, Then Repair</translation>
    </message>
    <message>
        <source>直接修复</source>
        <translation>Repair Now</translation>
    </message>
    <message>
        <source>请选择备份文件夹；备份完成后开始修复。</source>
        <translation>Choose a backup folder; the repair starts once the backup is done.</translation>
    </message>
    <message>
        <source>备份未完成，未修复。可以再按“修复…”。</source>
        <translation>The backup did not finish, so nothing was repaired. You can press “Repair…” again.</translation>
    </message>
    <message>
        <source>点读笔正常。</source>
        <translation>The pen is fine.</translation>
    </message>
    <message>
        <source>点读笔已修复，现在正常。</source>
        <translation>The pen was repaired and is fine now.</translation>
    </message>
    <message>
        <source>点读笔已损坏。</source>
        <translation>The pen is damaged.</translation>
    </message>
    <message>
        <source>点读笔的文件系统已损坏，可以按“修复…”修复。</source>
        <translation>The pen’s file system is damaged. Press “Repair…” to repair it.</translation>
    </message>
    <message>
        <source>检查未完成。</source>
        <translation>The check did not finish.</translation>
    </message>
    <message>
        <source>检查已取消。</source>
        <translation>The check was cancelled.</translation>
    </message>
    <message>
        <source>点读包：共 %1 个文件，%2 个可以读取，%3 个无法读取，%4 个不是点读包。</source>
        <translation>Books: %1 files, %2 readable, %3 unreadable, %4 not books.</translation>
    </message>
    <message>
        <source>    无法读取：%1（%2，位置 %3）</source>
        <translation>    Unreadable: %1 (%2, at byte %3)</translation>
    </message>
    <message>
        <source>    不是点读包：%1</source>
        <translation>    Not a book: %1</translation>
    </message>
    <message>
        <source>点读笔未挂载，未读取点读包。</source>
        <translation>The pen is not mounted, so its books were not read.</translation>
    </message>
    <message>
        <source>点读笔上没有可用的 BOOK 文件夹，未读取点读包。</source>
        <translation>The pen has no usable BOOK folder, so no books were read.</translation>
    </message>
    <message>
        <source>文件系统：正常。</source>
        <translation>File system: fine.</translation>
    </message>
    <message>
        <source>文件系统：已损坏。</source>
        <translation>File system: damaged.</translation>
    </message>
    <message>
        <source>另一个程序正在使用点读笔，无法卸载，未作任何检查。请关闭该程序后重试。</source>
        <translation>Another program is using the pen, so it could not be unmounted and nothing was checked. Close that program and try again.</translation>
    </message>
    <message>
        <source>未检查文件系统：缺少检查工具（%1）。</source>
        <translation>The file system was not checked: the checking tool (%1) is missing.</translation>
    </message>
    <message>
        <source>只检查了点读包，未检查文件系统：%1</source>
        <translation>Only the books were checked, not the file system: %1</translation>
    </message>
    <message>
        <source>文件系统检查失败：%1</source>
        <translation>The file system check failed: %1</translation>
    </message>
    <message>
        <source>修复前已把点读包备份到电脑。</source>
        <translation>The books were backed up to this computer before the repair.</translation>
    </message>
    <message>
        <source>修复：</source>
        <translation>Repair:</translation>
    </message>
    <message>
        <source>修复后文件系统：正常。</source>
        <translation>File system after the repair: fine.</translation>
    </message>
    <message>
        <source>修复后文件系统：仍有损坏。</source>
        <translation>File system after the repair: still damaged.</translation>
    </message>
    <message>
        <source>修复没有改变任何点读包。</source>
        <translation>The repair changed no book.</translation>
    </message>
    <message>
        <source>    已改变：%1</source>
        <translation>    Changed: %1</translation>
    </message>
    <message>
        <source>    已丢失：%1</source>
        <translation>    Lost: %1</translation>
    </message>
    <message>
        <source>与修复前相比（%1）：</source>
        <translation>Compared with before the repair (%1):</translation>
    </message>
    <message>
        <source>现在无法重新挂载点读笔：请拔出点读笔，再重新插入。</source>
        <translation>The pen cannot be mounted again now: unplug it and plug it in again.</translation>
    </message>
    <message>
        <source>同时安装到其他点读笔：</source>
        <translation>Also install on these pens:</translation>
    </message>
    <message>
        <source>%1&#x3000;剩余空间 %2</source>
        <translation>%1  %2 free</translation>
    </message>
    <message>
        <source>（无识别码）</source>
        <translation>(no identity code)</translation>
    </message>
    <message>
        <source>已安装到 %1 支点读笔，共 %2 支。</source>
        <translation>Installed on %1 of %2 pens.</translation>
    </message>
    <message>
        <source>%1：已安装，编号 %2</source>
        <translation>%1: installed as number %2</translation>
    </message>
    <message>
        <source>%1：已安装，编号 %2（编号 %3 已被占用）</source>
        <translation>%1: installed as number %2 (number %3 was taken)</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>复制点读包到其他点读笔</source>
        <translation>Copy Books to Another Pen</translation>
    </message>
    <message>
        <source>把点读笔 %1 上的全部点读包复制到：</source>
        <translation>Copy all the books on pen %1 onto:</translation>
    </message>
    <message>
        <source>同时在电脑上保留一份备份（选择文件夹）</source>
        <translation>Also keep a backup on this computer (choose a folder)</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>复制结束。</source>
        <translation>Copy finished.</translation>
    </message>
    <message>
        <source>已复制（%1）：</source>
        <translation>Copied (%1):</translation>
    </message>
    <message>
        <source>需要连接至少两支点读笔</source>
        <translation>Connect at least two pens</translation>
    </message>
    <message>
        <source>所选点读笔尚未挂载</source>
        <translation>The selected pen is not mounted yet</translation>
    </message>
    <message>
        <source>无法在电脑上创建临时文件夹：%1</source>
        <translation>A temporary folder cannot be created on this computer: %1</translation>
    </message>
    <message>
        <source>安装点读包</source>
        <translation>Install Book</translation>
    </message>
    <message>
        <source>把拖入的 %1 个点读包安装到这些点读笔：</source>
        <translation>Install the %1 books dropped here on these pens:</translation>
    </message>
    <message>
        <source>安装</source>
        <translation>Install</translation>
    </message>
    <message>
        <source>下列点读笔未能弹出：
%1</source>
        <translation>These pens could not be ejected:
%1</translation>
    </message>
    <message>
        <source>其他程序正在使用它们。请关闭这些程序后重试。</source>
        <translation>Other programs are using them. Close those programs and try again.</translation>
    </message>
    <message>
        <source>点读笔上没有可用的 BOOK 文件夹！</source>
        <translation>The pen has no usable BOOK folder!</translation>
    </message>
    <message>
        <source>所选文件夹中已有文件，请选择新的或空的文件夹！</source>
        <translation>The chosen folder already holds files. Please choose a new or empty folder!</translation>
    </message>
    <message>
        <source>无法创建或打开所选文件夹！（%4）</source>
        <translation>The chosen folder cannot be created or opened! (%4)</translation>
    </message>
    <message>
        <source>无法写入备份清单，此备份不可用！</source>
        <translation>The backup list could not be written, so this backup cannot be used!</translation>
    </message>
    <message>
        <source>备份已取消：已完成的 %2 本点读包和备份清单保留在“%1”。</source>
        <translation>Backup cancelled: the %2 books already backed up and their list stay in “%1”.</translation>
    </message>
    <message>
        <source>备份结束：%2 本点读包已备份到“%1”，%3 本未能备份。</source>
        <translation>Backup finished: %2 books were backed up to “%1”; %3 could not be backed up.</translation>
    </message>
    <message>
        <source>备份完成：%2 本点读包已备份到“%1”。</source>
        <translation>Backup done: %2 books were backed up to “%1”.</translation>
    </message>
    <message>
        <source>文件名不是标准的点读包名称，未备份</source>
        <translation>its file name is not a standard book name, not backed up</translation>
    </message>
    <message>
        <source>无法从点读笔读取（点读笔已拔出？）</source>
        <translation>cannot be read from the pen (was it unplugged?)</translation>
    </message>
    <message>
        <source>无法完整写入备份文件夹</source>
        <translation>could not be written whole into the backup folder</translation>
    </message>
    <message>
        <source>此文件夹中没有备份清单 penshelf-backup.json，不是点读包备份！</source>
        <translation>This folder has no backup list penshelf-backup.json: it is not a book backup!</translation>
    </message>
    <message>
        <source>无法读取备份清单！</source>
        <translation>The backup list cannot be read!</translation>
    </message>
    <message>
        <source>备份清单已损坏，无法读取！</source>
        <translation>The backup list is damaged and cannot be read!</translation>
    </message>
    <message>
        <source>备份清单的内容有误（%1）！</source>
        <translation>The backup list is wrong (%1)!</translation>
    </message>
    <message>
        <source>备份清单的格式版本（%1）不受支持！</source>
        <translation>The backup list’s format version (%1) is not supported!</translation>
    </message>
    <message>
        <source>备份清单中有无效的点读包文件名：%1</source>
        <translation>The backup list names a file that is not a book: %1</translation>
    </message>
    <message>
        <source>无法打开备份文件夹！</source>
        <translation>The backup folder cannot be opened!</translation>
    </message>
    <message>
        <source>恢复已取消，未写入任何文件。</source>
        <translation>Restore cancelled; nothing was written.</translation>
    </message>
    <message>
        <source>备份中的点读包共 %3，超过点读笔的全部容量 %4，未写入任何文件！</source>
        <translation>The books in the backup take %3, more than the whole pen holds (%4). Nothing was written!</translation>
    </message>
    <message>
        <source>点读笔空间不足：恢复需要 %1，剩余 %2，未写入任何文件！</source>
        <translation>Not enough space on the pen: the restore needs %1 and %2 is free. Nothing was written!</translation>
    </message>
    <message>
        <source>恢复已取消：已恢复的点读包留在点读笔上。</source>
        <translation>Restore cancelled: the books already restored stay on the pen.</translation>
    </message>
    <message>
        <source>恢复结束。</source>
        <translation>Restore finished.</translation>
    </message>
    <message>
        <source>复制失败</source>
        <translation>copy failed</translation>
    </message>
    <message>
        <source>%1 → %2</source>
        <translation>%1 → %2</translation>
    </message>
    <message>
        <source>%1（编号已被占用）</source>
        <translation>%1 (its number is taken)</translation>
    </message>
    <message>
        <source>%1（它所共享的点读包 %3 未恢复）</source>
        <translation>%1 (the book it shares, %3, was not restored)</translation>
    </message>
    <message>
        <source>%1（备份中缺少此文件）</source>
        <translation>%1 (missing from the backup)</translation>
    </message>
    <message>
        <source>%1（备份文件已被改动）</source>
        <translation>%1 (changed since the backup)</translation>
    </message>
    <message>
        <source>%1（%4）</source>
        <translation>%1 (%4)</translation>
    </message>
    <message>
        <source>请连接点读系列产品！</source>
        <translation>Please connect a reading pen!</translation>
    </message>
    <message>
        <source>点读包编号必须为数字！</source>
        <translation>The book number must be digits!</translation>
    </message>
    <message>
        <source>点读包编号号必须为3位数字！</source>
        <translation>The book number must be 3 digits!</translation>
    </message>
    <message>
        <source>此点读包编号已存在！</source>
        <translation>This book number is already taken!</translation>
    </message>
    <message>
        <source>点读包文件无效！</source>
        <translation>This book file is not valid!</translation>
    </message>
    <message>
        <source>点读笔空间不足，无法安装此点读包！</source>
        <translation>Not enough space on the pen to install this book!</translation>
    </message>
    <message>
        <source>点读包文件不能超过4GB，点读笔无法存放此点读包！</source>
        <translation>A book file must be smaller than 4 GB; the pen cannot hold this book!</translation>
    </message>
    <message>
        <source>正在安装点读包……</source>
        <translation>Installing the book…</translation>
    </message>
    <message>
        <source>正在写入点读笔，请勿拔出……</source>
        <translation>Writing to the pen; do not unplug it…</translation>
    </message>
    <message>
        <source>安装点读包失败！</source>
        <translation>Installing the book failed!</translation>
    </message>
    <message>
        <source>已取消，点读笔上没有留下这本点读包。</source>
        <translation>Cancelled; nothing of this book was left on the pen.</translation>
    </message>
    <message>
        <source>点读笔处于只读状态，无法写入！请用“点读笔”菜单中的“检查点读笔…”检查。</source>
        <translation>The pen is read-only and cannot be written to! Check it with “Check Pen…” in the “Pen” menu.</translation>
    </message>
    <message>
        <source>点读笔处于只读状态，无法写入</source>
        <translation>The pen is read-only and cannot be written to</translation>
    </message>
    <message>
        <source>删除点读包后将不能恢复！</source>
        <translation>A removed book cannot be brought back!</translation>
    </message>
    <message>
        <source>弹出点读笔失败，请关闭正在使用点读笔的程序后重试！</source>
        <translation>The pen could not be ejected. Close any program using the pen and try again!</translation>
    </message>
</context>
</TS>
