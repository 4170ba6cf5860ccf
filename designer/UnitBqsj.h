#pragma once
// The label designer's window (标签设计): the field list, the canvas, the property panel, the
// live preview with real products and the check list around one TemplateEditor. Templates open
// from and save to JSON files and the host database's template list (the one the module shows
// under "选择打印模板"). The window wires controls to the editor and the stores; the editing
// itself lives in designer/TemplateEditor.h.
#include <QMainWindow>
#include <QTreeWidget>
#include <memory>
#include <string>
#include <vector>

#include "common/MemTable.h"
#include "designer/TemplateChecks.h"
#include "designer/TemplateEditor.h"
#include "hostapp/HostDatabase.h"
#include "report_engine/DisplayList.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QDockWidget;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace pt::report {
class ReportPageView;
}

namespace pt::designer {

class DesignCanvas;
class PropertyPanel;

// The field list: print fields, report variables and page values by caption; entries drag onto
// the canvas.
class FieldTree : public QTreeWidget {
  Q_OBJECT

 public:
  explicit FieldTree(QWidget* parent = nullptr);
  QTreeWidgetItem* Find(const std::string& name) const;  // by the catalogue name
  // What dragging the items carries (the canvas accepts it).
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
  QStringList mimeTypes() const override;
};

// Whether a font family draws every character of a text (the font check of saving).
bool FontDrawsText(const std::string& family, const std::string& text);

class TFrmBqsj : public QMainWindow {
  Q_OBJECT

 public:
  // db may be null: templates then open and save as files only and the preview has no products.
  explicit TFrmBqsj(hostapp::HostDatabase* db, QWidget* parent = nullptr);
  ~TFrmBqsj() override;

  // The commands behind the menus, for the command line and tests. Each reports its own
  // failure to the user (through the UI seam) and returns false; nothing is changed then.
  bool OpenFile(const QString& path);
  bool OpenFromDatabase(const QString& name);
  bool SaveToFile(const QString& path);
  bool SaveToDatabase(const QString& name);
  bool NewLabel();
  // Sample products for the preview: codes as typed, or the first products when empty.
  void LoadPreviewProducts(const QString& codes);
  // Prepares the preview and runs the checks now (they otherwise follow every change shortly).
  void UpdatePreview();

  TemplateEditor& Editor() { return editor_; }
  const report::PreparedReport& Preview() const { return preview_; }
  const std::vector<Problem>& Problems() const { return problems_; }
  const MemTable& PreviewRecords() const { return cdsPrint; }

  QAction* NNew;
  QAction* NOpenFile;
  QAction* NOpenDb;
  QAction* NSave;
  QAction* NSaveFile;
  QAction* NSaveDb;
  QAction* NExit;
  QAction* NUndo;
  QAction* NRedo;
  QAction* NCut;
  QAction* NCopy;
  QAction* NPaste;
  QAction* NDelete;
  QAction* NSelectAll;
  QAction* NAddText;
  QAction* NAddBarcode;
  QAction* NAddLine;
  QAction* NAddRect;
  QAction* NAddPicture;
  QAction* NAlignLeft;
  QAction* NAlignHCenter;
  QAction* NAlignRight;
  QAction* NAlignTop;
  QAction* NAlignVCenter;
  QAction* NAlignBottom;
  QAction* NDistributeH;
  QAction* NDistributeV;
  QAction* NBringForward;
  QAction* NSendBackward;
  QAction* NBringToFront;
  QAction* NSendToBack;
  QAction* NPageSetup;
  QAction* NCheck;
  QAction* NZoomIn;
  QAction* NZoomOut;
  QAction* NZoomFit;

  QComboBox* cboZoom;
  QCheckBox* chkGrid;
  QCheckBox* chkSnap;
  QDoubleSpinBox* spnGrid;
  FieldTree* tvFields;
  DesignCanvas* panCanvas;
  PropertyPanel* panProperties;
  QLineEdit* edtCodes;
  QPushButton* btnLoadCodes;
  QPushButton* btnFirstRows;
  QLabel* lblPreviewInfo;
  report::ReportPageView* pageView;
  QTreeWidget* lvProblems;
  QPushButton* btnCheck;
  QLabel* lblCursor;
  QLabel* lblStatus;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildActions();
  void BuildToolBars();
  void BuildDocks();
  void Wire();
  // After every change of document or selection: canvas, panel, actions, title, and the
  // preview and checks a moment later.
  void Changed();
  void SelectionChanged();
  void UpdateActions();
  void UpdateTitle();
  void ShowStatus(const QString& text, bool problem = false);
  void Run(const std::function<void()>& edit);
  bool MaybeSave();           // false when the user cancelled
  bool Save();
  bool ConfirmProblems();     // false when the user keeps a template with problems unsaved
  void ShowProblems();
  void AddObject(ObjectKind kind);
  void AddEntry(const std::string& name);
  void CopySelection();
  void Paste();
  void PageSetup();
  void ZoomChosen();
  void OpenFileClicked();
  void OpenDbClicked();
  void SaveFileClicked();
  void SaveDbClicked();
  bool NeedDatabase();

  hostapp::HostDatabase* db_;
  TemplateEditor editor_;
  MemTable cdsPrint{"cdsPrint"};
  report::VariableList variables_;
  report::PreparedReport preview_;
  std::vector<Problem> problems_;
  QString previewNote_;
  QTimer* tmrPreview;
  QDockWidget* panPreviewDock;
  QDockWidget* panCheckDock;

  enum class Target { None, File, Database };
  Target target_ = Target::None;
  QString filePath_;
  QString dbName_;
};

}  // namespace pt::designer
