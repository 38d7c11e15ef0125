<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>penshelf::cli</name>
    <message>
        <source>clean</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>已损坏</translation>
    </message>
    <message>
        <source>busy</source>
        <translation>正被占用</translation>
    </message>
    <message>
        <source>tool missing</source>
        <translation>缺少检查工具</translation>
    </message>
    <message>
        <source>not possible</source>
        <translation>无法检查</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>%1: %2 book package files</source>
        <translation>%1：共 %2 个点读包文件</translation>
    </message>
    <message>
        <source>%1 at byte %2</source>
        <translation>%1，位置 %2</translation>
    </message>
    <message>
        <source>the repair:</source>
        <translation>修复：</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>stopped before everything was checked</source>
        <translation>检查未完成即已停止</translation>
    </message>
    <message>
        <source>the pen has no mounted volume, so its books were not read</source>
        <translation>点读笔未挂载，未读取点读包</translation>
    </message>
    <message>
        <source>the pen has no BOOK folder of its own</source>
        <translation>点读笔上没有可用的 BOOK 文件夹</translation>
    </message>
    <message>
        <source>nothing here mounts the pen again: unplug it and plug it in again</source>
        <translation>无法重新挂载点读笔：请拔出点读笔，再重新插入</translation>
    </message>
    <message>
        <source>the pen was repaired and is healthy</source>
        <translation>点读笔已修复，现在正常</translation>
    </message>
    <message>
        <source>the pen is healthy</source>
        <translation>点读笔正常</translation>
    </message>
    <message>
        <source>the pen is damaged; back its books up, then run penshelf-cli check --repair</source>
        <translation>点读笔已损坏；请先备份点读包，再运行 penshelf-cli check --repair</translation>
    </message>
    <message>
        <source>the pen is damaged</source>
        <translation>点读笔已损坏</translation>
    </message>
    <message>
        <source>reading book %1 of %2 (%3%)</source>
        <translation>正在读取第 %1 本点读包，共 %2 本（%3%）</translation>
    </message>
    <message>
        <source>checking the file system; the pen is unmounted meanwhile</source>
        <translation>正在检查文件系统，点读笔已暂时卸载</translation>
    </message>
    <message>
        <source>repairing the file system; the pen is unmounted meanwhile</source>
        <translation>正在修复文件系统，点读笔已暂时卸载</translation>
    </message>
    <message>
        <source>books</source>
        <translation>点读包</translation>
    </message>
    <message>
        <source>file system</source>
        <translation>文件系统</translation>
    </message>
    <message>
        <source>file system after the repair</source>
        <translation>修复后的文件系统</translation>
    </message>
    <message>
        <source>books after the repair</source>
        <translation>修复后的点读包</translation>
    </message>
    <message>
        <source>gone %1</source>
        <translation>已丢失 %1</translation>
    </message>
    <message>
        <source>changed %1</source>
        <translation>已改变 %1</translation>
    </message>
    <message>
        <source>usage: penshelf-cli COMMAND [ARGS...]
       penshelf-cli COMMAND --help

commands:
</source>
        <translation>用法：penshelf-cli 命令 [参数...]
      penshelf-cli 命令 --help

命令：
</translation>
    </message>
    <message>
        <source>
A pen is named with --pen PEN: its BSD name, its identity code or, for a
simulated pen, its folder&apos;s name. install, backup and eject take --pen again,
or --all-pens, for several pens; copy takes --from PEN and --to PEN.
</source>
        <translation>
用 --pen 点读笔 指定点读笔：它的 BSD 名称、识别码，或模拟点读笔的文件夹名称。
install、backup 和 eject 可多次使用 --pen，或用 --all-pens，同时处理多支点读笔；
copy 使用 --from 点读笔 和 --to 点读笔。
</translation>
    </message>
    <message>
        <source>usage: %1</source>
        <translation>用法：%1</translation>
    </message>
    <message>
        <source>unknown command %1</source>
        <translation>未知命令 %1</translation>
    </message>
    <message>
        <source>cannot make a folder for the copy in the cache: %1</source>
        <translation>无法在缓存中为复制创建文件夹：%1</translation>
    </message>
    <message>
        <source>copied from %1 onto %2</source>
        <translation>已从 %1 复制到 %2</translation>
    </message>
    <message>
        <source>copy needs --from PEN and --to PEN</source>
        <translation>copy 需要 --from 点读笔 和 --to 点读笔</translation>
    </message>
    <message>
        <source>--from and --to name the same pen, %1</source>
        <translation>--from 和 --to 指定了同一支点读笔 %1</translation>
    </message>
    <message>
        <source>--on-conflict takes skip or renumber</source>
        <translation>--on-conflict 的值只能是 skip 或 renumber</translation>
    </message>
    <message>
        <source>backing up</source>
        <translation>正在备份</translation>
    </message>
    <message>
        <source>%1 (%2): %3</source>
        <translation>%1（%2）：%3</translation>
    </message>
    <message>
        <source>backed up %1 (%2)</source>
        <translation>已备份 %1（%2）</translation>
    </message>
    <message>
        <source>checking</source>
        <translation>正在校验</translation>
    </message>
    <message>
        <source>the pen holds other books under the numbers of %1; choose --on-conflict skip or --on-conflict renumber (nothing was written)</source>
        <translation>点读笔上已有其他点读包占用了 %1 的编号；请选择 --on-conflict skip 或 --on-conflict renumber（未写入任何文件）</translation>
    </message>
    <message>
        <source>restoring</source>
        <translation>正在恢复</translation>
    </message>
    <message>
        <source>no longer mounted: %1</source>
        <translation>已不再挂载：%1</translation>
    </message>
    <message>
        <source>ejected %1</source>
        <translation>已弹出 %1</translation>
    </message>
    <message>
        <source>flushing</source>
        <translation>正在写入</translation>
    </message>
    <message>
        <source>installing:</source>
        <translation>正在安装：</translation>
    </message>
    <message>
        <source>done</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>--number takes one file only; install the others apart</source>
        <translation>--number 只能用于一个文件；其他文件请分别安装</translation>
    </message>
    <message>
        <source>--jobs takes a whole number of pens, 1 or more</source>
        <translation>--jobs 的值必须是不小于 1 的整数</translation>
    </message>
    <message>
        <source>installed %1 as %2 (its number is taken on this pen)</source>
        <translation>已安装 %1，文件为 %2（原编号在此点读笔上已被占用）</translation>
    </message>
    <message>
        <source>installed %1 as %2</source>
        <translation>已安装 %1，文件为 %2</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 需要一个值</translation>
    </message>
    <message>
        <source>mounted %1 at %2</source>
        <translation>已把 %1 挂载到 %2</translation>
    </message>
    <message>
        <source>could not mount %1: %2</source>
        <translation>无法挂载 %1：%2</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>未知选项 %1</translation>
    </message>
    <message>
        <source>--pen names one pen here</source>
        <translation>此命令的 --pen 只能指定一支点读笔</translation>
    </message>
    <message>
        <source>--all-pens and --pen do not go together</source>
        <translation>--all-pens 和 --pen 不能同时使用</translation>
    </message>
    <message>
        <source>missing operand</source>
        <translation>缺少参数</translation>
    </message>
    <message>
        <source>unexpected operand %1</source>
        <translation>多余的参数 %1</translation>
    </message>
    <message>
        <source>no pen %1 is attached</source>
        <translation>没有连接点读笔 %1</translation>
    </message>
    <message>
        <source>no pen %1 is attached (attached: %2)</source>
        <translation>没有连接点读笔 %1（已连接：%2）</translation>
    </message>
    <message>
        <source>%1 names several pens: %2; name one by its BSD name</source>
        <translation>%1 对应多支点读笔：%2；请用 BSD 名称指定其中一支</translation>
    </message>
    <message>
        <source>several pens are attached (%1); choose one with --pen</source>
        <translation>已连接多支点读笔（%1）；请用 --pen 选择一支</translation>
    </message>
    <message>
        <source>%1 (see penshelf-cli %2 --help)</source>
        <translation>%1（参见 penshelf-cli %2 --help）</translation>
    </message>
    <message>
        <source>no pen is attached</source>
        <translation>没有连接点读笔</translation>
    </message>
    <message>
        <source>no book package %1 on %2 (see penshelf-cli books)</source>
        <translation>%2 上没有点读包 %1（参见 penshelf-cli books）</translation>
    </message>
    <message>
        <source>Add --yes to remove %1.</source>
        <translation>加上 --yes 即可删除 %1。</translation>
    </message>
    <message>
        <source>could not remove %1</source>
        <translation>无法删除 %1</translation>
    </message>
    <message>
        <source>removed %1</source>
        <translation>已删除 %1</translation>
    </message>
    <message>
        <source>no operation given</source>
        <translation>没有指定操作</translation>
    </message>
    <message>
        <source>unknown operation %1</source>
        <translation>未知操作 %1</translation>
    </message>
    <message>
        <source>--endpoint needs a URL</source>
        <translation>--endpoint 需要一个网址</translation>
    </message>
    <message>
        <source>%1 has no parameter %2</source>
        <translation>%1 没有参数 %2</translation>
    </message>
    <message>
        <source>unexpected argument %1</source>
        <translation>多余的参数 %1</translation>
    </message>
    <message>
        <source>ntype must be a number: %1</source>
        <translation>ntype 必须是数字：%1</translation>
    </message>
    <message>
        <source>not an http or https URL: %1</source>
        <translation>不是 http 或 https 网址：%1</translation>
    </message>
    <message>
        <source>error: %1 %2 %3</source>
        <translation>错误：%1 %2 %3</translation>
    </message>
    <message>
        <source>no body</source>
        <translation>回答中没有内容</translation>
    </message>
    <message>
        <source>  --json          one JSON document on standard output
  --verbose       pen discovery&apos;s log lines on standard error
</source>
        <translation>  --json          在标准输出上写一个 JSON 文档
  --verbose       在标准错误上写出点读笔识别过程的日志
</translation>
    </message>
    <message>
        <source>
Exit status: 0 done, 1 a user error (bad number, unknown pen, no such book,
bad usage), 2 a failure (copy or eject failed). PENSHELF_SIMULATE=&lt;folder&gt; uses
the simulated pens in that folder.
</source>
        <translation>
退出状态：0 完成，1 用户错误（编号有误、未知点读笔、没有此点读包、用法有误），
2 失败（复制或弹出失败）。PENSHELF_SIMULATE=&lt;文件夹&gt; 使用该文件夹中的模拟点读笔。
</translation>
    </message>
    <message>
        <source>  --pen PEN       the pen: its BSD name, its identity code or, for a
                  simulated pen, its folder&apos;s name (needed when several
                  are attached)
</source>
        <translation>  --pen 点读笔    点读笔：它的 BSD 名称、识别码，或模拟点读笔的文件夹名称
                  （连接了多支点读笔时必须指定）
</translation>
    </message>
    <message>
        <source>  --pen PEN       a pen: its BSD name, its identity code or, for a
                  simulated pen, its folder&apos;s name (needed when several
                  are attached); give it again for more pens
  --all-pens      every pen attached
</source>
        <translation>  --pen 点读笔    一支点读笔：它的 BSD 名称、识别码，或模拟点读笔的文件夹名称
                  （连接了多支点读笔时必须指定）；可多次给出以指定多支
  --all-pens      所有已连接的点读笔
</translation>
    </message>
    <message>
        <source>  --on-conflict skip      leave out the books whose number another book holds
  --on-conflict renumber  give them the lowest free number of their kind
                          (without either, such books stop the restore)
</source>
        <translation>  --on-conflict skip      跳过编号已被其他点读包占用的点读包
  --on-conflict renumber  为它们使用同类点读包中最小的空闲编号
                          （两者都不给出时，这样的点读包会使恢复停止）
</translation>
    </message>
    <message>
        <source>
In the columns, \\, \t, \n, \r and \xHH stand for a backslash, tab, newline,
carriage return and any other control character or byte that is not UTF-8.
--json writes file names and paths (entry, path, number, stat, volume,
bookFolder) in the same form; names and codes are plain JSON strings.
</source>
        <translation>
各列中，\\、\t、\n、\r 和 \xHH 分别表示反斜杠、制表符、换行符、回车符，
以及其他控制字符或不是 UTF-8 的字节。--json 以同样的形式写出文件名和路径
（entry、path、number、stat、volume、bookFolder）；名称和识别码是普通的 JSON 字符串。
</translation>
    </message>
    <message>
        <source>list the pens attached now: BSD name, identity code, free space, volume</source>
        <translation>列出当前连接的点读笔：BSD 名称、识别码、剩余空间、卷</translation>
    </message>
    <message>
        <source>list a pen&apos;s book packages by number: number, kind, name, file</source>
        <translation>按编号列出点读笔上的点读包：编号、类型、名称、文件</translation>
    </message>
    <message>
        <source>install book package files onto a pen, or onto several at once</source>
        <translation>把点读包文件安装到一支点读笔，或同时安装到多支</translation>
    </message>
    <message>
        <source>  --number NNN    the book package number (one file only); else the one
                  the window would propose
  --jobs N        write at most N pens at once (default 4; more only share
                  one USB bus)
</source>
        <translation>  --number NNN    点读包编号（仅限一个文件）；不给出时使用窗口建议的编号
  --jobs N        最多同时写入 N 支点读笔（默认 4；更多也只是共用一条 USB 总线）
</translation>
    </message>
    <message>
        <source>
Each file is installed on its own: one that fails does not stop the others,
and the exit status is the worst of them. Progress shows on a terminal.

With several pens (--all-pens, or --pen again), every pen gets every file,
in parallel, and a pen that fails fails alone. Each takes the number proposed
or given where it is free; without --number, a pen where it is taken gives
the lowest free number of the book&apos;s kind, and its line says so. The lines
start with the pen; --json writes {&quot;pens&quot;: [{&quot;pen&quot;, &quot;identityCode&quot;,
&quot;installs&quot;}]}. An interrupt stops the copies under way, leaving no part of
a book on any pen.
</source>
        <translation>
每个文件单独安装：一个失败不会停止其他文件，退出状态取其中最差的。
在终端上会显示进度。

有多支点读笔时（--all-pens，或多次给出 --pen），每支点读笔并行安装每个文件，
一支失败不影响其他。编号空闲时使用建议或给出的编号；不给出 --number 时，
编号已被占用的点读笔使用同类点读包中最小的空闲编号，并在该行说明。
每行以点读笔开头；--json 写出 {&quot;pens&quot;: [{&quot;pen&quot;, &quot;identityCode&quot;, &quot;installs&quot;}]}。
中断会停止正在进行的复制，不会在任何点读笔上留下不完整的点读包。
</translation>
    </message>
    <message>
        <source>remove a book package from a pen (a shared one: its own file only)</source>
        <translation>从点读笔上删除一个点读包（共享的点读包只删除它自己的文件）</translation>
    </message>
    <message>
        <source>  --yes           remove it: a removed book package cannot be restored
</source>
        <translation>  --yes           确认删除：删除的点读包不能恢复
</translation>
    </message>
    <message>
        <source>
The entry is the file as books prints it, escaped as it is there (\\, \t,
\n, \r, \xHH), or the file&apos;s own name.
</source>
        <translation>
条目是 books 列出的文件，转义方式与那里相同（\\、\t、\n、\r、\xHH），
或文件本身的名称。
</translation>
    </message>
    <message>
        <source>unmount and power off a pen, or several</source>
        <translation>卸载并关闭一支或多支点读笔</translation>
    </message>
    <message>
        <source>
Of several pens, one that a program still uses stays mounted and is named
with the window&apos;s message; the others are still ejected. --json writes
{&quot;pens&quot;: [{&quot;pen&quot;, &quot;outcome&quot;}]}.
</source>
        <translation>
多支点读笔中，仍被程序使用的会保持挂载，并以窗口的提示列出；其他的照常弹出。
--json 写出 {&quot;pens&quot;: [{&quot;pen&quot;, &quot;outcome&quot;}]}。
</translation>
    </message>
    <message>
        <source>copy every book package of a pen (or of several) into a folder, with a manifest</source>
        <translation>把一支（或多支）点读笔上的全部点读包连同备份清单复制到一个文件夹</translation>
    </message>
    <message>
        <source>
DIR is made when it is missing and must be empty otherwise. Each book is
checked against the bytes read from the pen, and the manifest
penshelf-backup.json, written last, lists the books copied whole with their
SHA-256. An interrupt stops after the book under way: the books finished
before and their manifest stay. Progress shows on a terminal.

With several pens, each is backed up into a folder of DIR named by its
identity code, or by its BSD name when the code cannot name a folder or
another pen has it too. The lines start with the pen; --json writes
{&quot;folder&quot;, &quot;pens&quot;: [...]}, one result per pen.
</source>
        <translation>
DIR 不存在时会被创建，已存在时必须为空。每本点读包都与从点读笔读出的字节核对，
最后写入的备份清单 penshelf-backup.json 列出完整复制的点读包及其 SHA-256。
中断会在当前点读包之后停止：之前完成的点读包及其清单会保留。在终端上会显示进度。

有多支点读笔时，每支备份到 DIR 中以其识别码命名的文件夹；识别码不能用作文件夹名
或与其他点读笔相同时，改用 BSD 名称。每行以点读笔开头；--json 写出
{&quot;folder&quot;, &quot;pens&quot;: [...]}，每支点读笔一个结果。
</translation>
    </message>
    <message>
        <source>copy the books of a backup back onto a pen, under their own numbers</source>
        <translation>把备份中的点读包按原编号复制回点读笔</translation>
    </message>
    <message>
        <source>
Every file is checked against the manifest&apos;s SHA-256 first: a changed or
missing one is skipped. A book the pen holds already is left alone. Nothing
is written unless the pen has room for the whole restore.
</source>
        <translation>
每个文件先与清单中的 SHA-256 核对：已改动或缺少的文件会被跳过。点读笔上已有的
点读包保持不变。点读笔的空间不足以完成整个恢复时，不写入任何文件。
</translation>
    </message>
    <message>
        <source>copy the books of one pen onto another, as a restore does</source>
        <translation>像恢复一样，把一支点读笔上的点读包复制到另一支</translation>
    </message>
    <message>
        <source>  --from PEN      the pen whose books are copied: its BSD name, identity code
                  or, for a simulated pen, its folder&apos;s name
  --to PEN        the pen they go onto, named the same way
</source>
        <translation>  --from 点读笔   要复制其点读包的点读笔：它的 BSD 名称、识别码，
                  或模拟点读笔的文件夹名称
  --to 点读笔     复制到的点读笔，指定方式相同
</translation>
    </message>
    <message>
        <source>  --keep-backup DIR
                  back up into DIR (new or empty) and keep it there
</source>
        <translation>  --keep-backup DIR
                  备份到 DIR（新的或空的文件夹）并保留在那里
</translation>
    </message>
    <message>
        <source>
The books of the first pen are backed up onto the computer, each checked,
then restored onto the second byte for byte: books already there are left
alone, and shared packages keep pointing at their book. Unless
--keep-backup is given, the backup goes into a folder under
$XDG_CACHE_HOME/penshelf that is removed afterwards. The lines and --json
are restore&apos;s, with both pens named ({&quot;from&quot;, &quot;to&quot;, ...}).
</source>
        <translation>
第一支点读笔上的点读包先逐本核对并备份到电脑，再逐字节恢复到第二支：已有的点读包
保持不变，共享的点读包仍指向它们的点读包。不给出 --keep-backup 时，备份放在
$XDG_CACHE_HOME/penshelf 下的文件夹中，完成后删除。输出的各行和 --json 与
restore 相同，并写出两支点读笔（{&quot;from&quot;, &quot;to&quot;, ...}）。
</translation>
    </message>
    <message>
        <source>read every book back from a pen and check its file system; --repair mends it</source>
        <translation>读取点读笔上的每本点读包并检查其文件系统；--repair 修复它</translation>
    </message>
    <message>
        <source>  --repair        when the check finds damage, repair the file system, then
                  check it and read the books again, and name each book the
                  repair changed or removed. Damaged files may be cut or
                  moved: run backup first.
</source>
        <translation>  --repair        检查发现损坏时修复文件系统，然后重新检查并重新读取点读包，
                  列出修复改变或删除的每本点读包。已损坏的文件可能被截断或移走：
                  请先运行 backup。
</translation>
    </message>
    <message>
        <source>
The books are only read. The file system is checked with the pen unmounted
(through UDisks2, which mounts it again; without UDisks2 only root can, with
fsck.fat from dosfstools, and the pen must then be plugged in again).

Exit status: 0 everything was checked and the pen is healthy (with --repair:
it ends healthy), 1 bad usage or an unknown pen, 2 damage found, or a check
that could not be done (the pen busy, the tool missing, no UDisks2 and not
root); the message says which. PENSHELF_SIMULATE=&lt;folder&gt; uses the simulated
pens in that folder.
</source>
        <translation>
点读包只读不写。检查文件系统时点读笔会被卸载（通过 UDisks2，之后会重新挂载；
没有 UDisks2 时只有 root 可以用 dosfstools 的 fsck.fat 检查，之后须重新插入点读笔）。

退出状态：0 全部检查完毕且点读笔正常（使用 --repair 时：最终正常），1 用法有误或
未知点读笔，2 发现损坏，或无法完成检查（点读笔正被占用、缺少工具、没有 UDisks2
且不是 root）；提示会说明原因。PENSHELF_SIMULATE=&lt;文件夹&gt; 使用该文件夹中的模拟点读笔。
</translation>
    </message>
    <message>
        <source>call one operation of the PagorFunc web service</source>
        <translation>调用 PagorFunc 网络服务的一个操作</translation>
    </message>
    <message>
        <source>  --endpoint URL  an http URL instead of the service&apos;s own
  --log           log the request and the response

Exit status: 0 an answer with a body (a fault too), 1 bad usage, 2 no answer
or one without a body.
</source>
        <translation>  --endpoint URL  使用此 http 网址代替服务自己的网址
  --log           记录请求和回答

退出状态：0 回答有内容（包括错误回答），1 用法有误，2 没有回答或回答没有内容。
</translation>
    </message>
    <message>
        <source>another program is using the pen, so it was not unmounted and nothing was checked; close that program and try again</source>
        <translation>另一个程序正在使用点读笔，无法卸载，未作任何检查；请关闭该程序后重试</translation>
    </message>
    <message>
        <source>the file system was not checked: %1</source>
        <translation>未检查文件系统：%1</translation>
    </message>
    <message>
        <source>fault: %1</source>
        <translation>服务出错：%1</translation>
    </message>
    <message>
        <source>%1 %2 %3: %4% (book %5 of %6)</source>
        <translation>%1 %2 %3：%4%（第 %5 本，共 %6 本）</translation>
    </message>
    <message>
        <source>%1 %2 %3: %4% (book %5 of %6, %7% of all)</source>
        <translation>%1 %2 %3：%4%（第 %5 本，共 %6 本，总计 %7%）</translation>
    </message>
</context>
<context>
    <name>penshelf::texts</name>
    <message>
        <source>the pen has no BOOK folder of its own (missing, or a link to elsewhere); nothing was written</source>
        <translation>点读笔上没有可用的 BOOK 文件夹（不存在，或是指向别处的链接）；未写入任何文件</translation>
    </message>
    <message>
        <source>%1 holds files already; back up into a new or empty folder</source>
        <translation>%1 中已有文件；请备份到新的或空的文件夹</translation>
    </message>
    <message>
        <source>cannot make or open the folder %1: %4</source>
        <translation>无法创建或打开文件夹 %1：%4</translation>
    </message>
    <message>
        <source>the manifest could not be written: the folder is no usable backup</source>
        <translation>无法写入备份清单：此文件夹不是可用的备份</translation>
    </message>
    <message>
        <source>stopped; the manifest lists the %2 books backed up before</source>
        <translation>已停止；备份清单列出了之前已备份的 %2 本点读包</translation>
    </message>
    <message>
        <source>its name is no plain book name (NNN.vxr or NNN.vxs); not backed up</source>
        <translation>文件名不是标准的点读包名称（NNN.vxr 或 NNN.vxs）；未备份</translation>
    </message>
    <message>
        <source>could not be read from the pen (pulled out?) or changed meanwhile</source>
        <translation>无法从点读笔读取（点读笔已拔出？），或读取期间已被改动</translation>
    </message>
    <message>
        <source>could not be written into the backup folder whole</source>
        <translation>无法完整写入备份文件夹</translation>
    </message>
    <message>
        <source>no manifest penshelf-backup.json: not a PenShelf backup</source>
        <translation>没有备份清单 penshelf-backup.json：不是 PenShelf 的备份</translation>
    </message>
    <message>
        <source>the manifest penshelf-backup.json cannot be read</source>
        <translation>无法读取备份清单 penshelf-backup.json</translation>
    </message>
    <message>
        <source>the manifest penshelf-backup.json is damaged: not JSON</source>
        <translation>备份清单 penshelf-backup.json 已损坏：不是 JSON</translation>
    </message>
    <message>
        <source>the manifest penshelf-backup.json is not one of PenShelf&apos;s (%1)</source>
        <translation>备份清单 penshelf-backup.json 不是 PenShelf 的（%1）</translation>
    </message>
    <message>
        <source>the backup has format version (%1), which this PenShelf cannot read</source>
        <translation>备份的格式版本（%1）无法被此版本的 PenShelf 读取</translation>
    </message>
    <message>
        <source>the manifest names a book that is no plain NNN.vxr or NNN.vxs file (%1)</source>
        <translation>备份清单中有不是 NNN.vxr 或 NNN.vxs 的点读包文件（%1）</translation>
    </message>
    <message>
        <source>the manifest cannot be used</source>
        <translation>备份清单无法使用</translation>
    </message>
    <message>
        <source>no folder %1</source>
        <translation>没有文件夹 %1</translation>
    </message>
    <message>
        <source>stopped; nothing was written</source>
        <translation>已停止；未写入任何文件</translation>
    </message>
    <message>
        <source>the backup&apos;s books take %3, more than the whole pen holds (%4); nothing was written</source>
        <translation>备份中的点读包共 %3，超过点读笔的全部容量（%4）；未写入任何文件</translation>
    </message>
    <message>
        <source>the backup folder or the pen went away; nothing was written</source>
        <translation>备份文件夹或点读笔已不在；未写入任何文件</translation>
    </message>
    <message>
        <source>not enough room on the pen: the restore needs %1, %2 are free; nothing was written</source>
        <translation>点读笔空间不足：恢复需要 %1，剩余 %2；未写入任何文件</translation>
    </message>
    <message>
        <source>not a book package file</source>
        <translation>不是点读包文件</translation>
    </message>
    <message>
        <source>no room left on the pen</source>
        <translation>点读笔已没有空间</translation>
    </message>
    <message>
        <source>4 GiB or more, more than a file on the pen can hold</source>
        <translation>不小于 4 GiB，超过点读笔上单个文件的上限</translation>
    </message>
    <message>
        <source>its number was taken meanwhile, or no number is free</source>
        <translation>它的编号在此期间已被占用，或已没有空闲编号</translation>
    </message>
    <message>
        <source>the pen has no BOOK folder of its own</source>
        <translation>点读笔上没有可用的 BOOK 文件夹</translation>
    </message>
    <message>
        <source>the pen turned read-only</source>
        <translation>点读笔已变为只读</translation>
    </message>
    <message>
        <source>could not be copied onto the pen whole</source>
        <translation>无法完整复制到点读笔</translation>
    </message>
    <message>
        <source>restored %1 as %2</source>
        <translation>已恢复 %1，文件为 %2</translation>
    </message>
    <message>
        <source>restored %1</source>
        <translation>已恢复 %1</translation>
    </message>
    <message>
        <source>already there %1 as %2</source>
        <translation>已在笔内 %1，文件为 %2</translation>
    </message>
    <message>
        <source>already there %1</source>
        <translation>已在笔内 %1</translation>
    </message>
    <message>
        <source>skipped %1: its number is taken</source>
        <translation>已跳过 %1：编号已被占用</translation>
    </message>
    <message>
        <source>skipped %1: the book it shares, %3, is not restored</source>
        <translation>已跳过 %1：它所共享的点读包 %3 未恢复</translation>
    </message>
    <message>
        <source>%1: missing from the backup; skipped</source>
        <translation>%1：备份中缺少此文件；已跳过</translation>
    </message>
    <message>
        <source>%1: changed since the backup; skipped</source>
        <translation>%1：备份后已被改动；已跳过</translation>
    </message>
    <message>
        <source>the pen is mounted read-only (its file system may be damaged: try penshelf-cli check); nothing was written</source>
        <translation>点读笔以只读方式挂载（文件系统可能已损坏：请试试 penshelf-cli check）；未写入任何文件</translation>
    </message>
    <message>
        <source>not a .vxb book package</source>
        <translation>不是 .vxb 点读包</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>没有这个文件</translation>
    </message>
    <message>
        <source>cannot read the file: %2</source>
        <translation>无法读取文件：%2</translation>
    </message>
    <message>
        <source>number %1 is taken; choose another with --number</source>
        <translation>编号 %1 已被占用；请用 --number 选择其他编号</translation>
    </message>
    <message>
        <source>cancelled; nothing of it is on the pen</source>
        <translation>已取消；点读笔上没有留下这本点读包的任何部分</translation>
    </message>
</context>
</TS>
