#pragma once
// The main window as the tests drive and read it: pens stored as
// identification stores them, the book table as the user reads it.

#include "app/AppDelegate.h"
#include "device/simulated/SimulatedPlatform.h"

#include "support/BookFile.h"
#include "support/TempDir.h"

#include <QAbstractItemModel>
#include <QTableView>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace penshelf::test {

// A pen whose volume is folder/<bsdName>, with BOOK/ holding the given
// files (file name -> name string), mounted and stored as identification
// would. Returns its BOOK/ folder.
inline std::string attachFolderPen(AppDelegate& app, SimulatedPlatform& platform,
                                   const TempDir& folder, const std::string& bsdName,
                                   const std::string& code,
                                   const std::map<std::string, std::string>& books = {}) {
    const std::string volume = folder / bsdName;
    std::filesystem::create_directories(volume + "/BOOK");
    for (const auto& [file, nameString] : books) {
        writeFile(volume + "/BOOK/" + file, BookFile{.name = nameString}.bytes());
    }
    platform.folderVolumes().mount(bsdName, volume);
    PenRecord pen{.vendor = "pagor",
                  .product = "PEN",
                  .revision = "1.00",
                  .bsdName = bsdName,
                  .displayName = penDisplayName};
    pen.setIdentityCode(code);
    app.storePen(pen);
    return volume + "/BOOK/";
}

// The book table: "name | stat" per row, sorted (the file system's order is free).
inline std::vector<std::string> tableRows(const AppDelegate& app) {
    std::vector<std::string> rows;
    const auto* model = app.listBook->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        rows.push_back(model->index(r, 0).data().toString().toStdString() + " | " +
                       model->index(r, 1).data().toString().toStdString());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace penshelf::test
