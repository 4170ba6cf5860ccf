// pricetag-designer: the label designer, a tool of the stand-in host.
//   pricetag-designer [--db FILE] [--no-db] [--open NAME] [TEMPLATE.json]
// Without --db it works on the demo database (seeded on first use, as pricetag-host does);
// --open opens a template of the database by name, a file argument opens that file.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <memory>
#include <string>

#include "designer/UnitBqsj.h"
#include "hostapp/HostOptions.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: pricetag-designer [--db FILE] [--no-db] [--open NAME] [TEMPLATE.json]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dbPath, openName, file;
  bool noDb = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--db" && i + 1 < argc) dbPath = argv[++i];
    else if (arg == "--open" && i + 1 < argc) openName = argv[++i];
    else if (arg == "--no-db") noDb = true;
    else if (arg == "--help" || arg == "-h") return Usage() - 2;
    else if (!arg.empty() && arg[0] != '-' && file.empty()) file = arg;
    else return Usage();
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName("pricetag-designer");
  QApplication::setApplicationDisplayName(QString::fromUtf8("标价签设计"));

  std::unique_ptr<pt::hostapp::HostDatabase> db;
  if (!noDb) {
    try {
      pt::hostapp::HostOptions options;
      options.database = dbPath;
      // A database named on the command line is used as it stands; the demo one is ours.
      options.createMissingTables = dbPath.empty();
      std::string note;
      db = pt::hostapp::OpenHostDatabase(options, &note);
      if (!note.empty()) std::fprintf(stderr, "pricetag-designer: %s\n", note.c_str());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "pricetag-designer: %s\n", e.what());
      QMessageBox::critical(nullptr, QString::fromUtf8("标价签设计"),
                            QString::fromUtf8("数据库无法打开：%1\n模板只能存为文件。").arg(QString::fromUtf8(e.what())));
    }
  }

  pt::designer::TFrmBqsj window(db.get());
  window.show();
  if (!file.empty()) window.OpenFile(QString::fromLocal8Bit(file.c_str()));
  else if (!openName.empty()) window.OpenFromDatabase(QString::fromUtf8(openName.c_str()));
  return app.exec();
}
