#include "app/main_dialog.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>

#include <filesystem>
#include <optional>
#include <vector>

#include "app/about_dialog.h"
#include "app/app_icon.h"
#include "app/background_conversion.h"
#include "app/conversion_progress_box.h"
#include "base/cancellation_flag.h"
#include "base/convert_error.h"
#include "base/path_text.h"
#include "base/version.h"
#include "options/conversion_run.h"
#include "options/convert_options.h"
#include "options/output_target.h"
#include "options/path_check.h"
#include "options/sheet/dialog_services.h"
#include "options/sheet/my_sheet.h"
#include "options/sheet/page_font.h"
#include "options/string_table.h"

namespace {

constexpr const char* kInputFilter = "HTML Files (*.htm;*.html)|*.htm;*.html|All Files (*.*)|*.*||";
constexpr const char* kOutputFilter = "Web Archive Files (*.mht;*.mhtml)|*.mht;*.mhtml|All Files (*.*)|*.*||";
constexpr const char* kCommandIdProperty = "commandId";
constexpr const char* kCloseWhileConverting =
    "A web archive is being created. Cancel it and close " SCRIVANE_PRODUCT_NAME "?";

// The file a drag carries, when it is one local file that is not a folder.
std::optional<QString> DraggedFile(const QMimeData* data) {
  if (data == nullptr || data->urls().size() != 1 || !data->urls().constFirst().isLocalFile()) return std::nullopt;
  const QString path = data->urls().constFirst().toLocalFile();
  if (QFileInfo(path).isDir()) return std::nullopt;
  return path;
}

// The wait cursor for as long as the guard lives, whatever way the scope ends.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// The window's own controls disabled for as long as the guard lives, and the
// focus given back afterwards; its child windows (the progress box) stay
// enabled.
class ControlsDisabled {
 public:
  explicit ControlsDisabled(QWidget& window) : m_focus(window.focusWidget()) {
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (child->isWindow() || !child->isEnabled()) continue;
      child->setEnabled(false);
      m_disabled.emplace_back(child);
    }
  }
  ~ControlsDisabled() {
    for (const QPointer<QWidget>& child : m_disabled) {
      if (child) child->setEnabled(true);
    }
    if (m_focus) m_focus->setFocus();
  }
  ControlsDisabled(const ControlsDisabled&) = delete;
  ControlsDisabled& operator=(const ControlsDisabled&) = delete;

 private:
  std::vector<QPointer<QWidget>> m_disabled;
  QPointer<QWidget> m_focus;
};

// Where the save dialog opens: the page's folder, with the page's name and
// ".mht" proposed; the current folder when there is no page yet.
SaveFileQuestion OutputQuestion(const std::string& page) {
  if (page.empty()) return {kOutputFilter, MakeFullPath("").value_or(std::string()), {}};
  const std::filesystem::path proposed = AbsolutePath(DefaultArchivePath(page));
  return {kOutputFilter, proposed.parent_path().string(), proposed.filename().string()};
}

}  // namespace

CMainDlg::CMainDlg(DialogServices& services, QWidget* parent)
    : QDialog(parent), m_icon(LoadAppIcon()), m_archive(services.ClockMilliseconds()), m_services(services) {
  setWindowTitle(QStringLiteral(SCRIVANE_TITLE));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(TemplateFont());
  setWindowIcon(m_icon);
  setAcceptDrops(true);
  BuildControls();
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { OnCommand(MainDialogId::kHelpContents); });
  RefreshFields();
}

CMainDlg::~CMainDlg() = default;

// Controls are created in tab order; the layouts place them as the dialog
// template does, in dialog units of the dialog's font.
void CMainDlg::BuildControls() {
  const DialogUnits units(font());
  const auto button = [&](const char* text, MainDialogId id, int width, const char* name) {
    auto* result = new QPushButton(QString::fromUtf8(text), this);
    result->setObjectName(QString::fromUtf8(name));
    result->setProperty(kCommandIdProperty, CommandNumber(id));
    result->setFixedSize(units.X(width), units.Y(16));
    connect(result, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
    return result;
  };
  const auto edit = [&](MainDialogId id, const char* name) {
    auto* result = new QLineEdit(this);
    result->setObjectName(QString::fromUtf8(name));
    result->setProperty(kCommandIdProperty, CommandNumber(id));
    result->setMinimumWidth(units.X(256));
    result->setFixedHeight(units.Y(14));
    // A dropped file goes to the window, which takes it as the input, rather
    // than into the text as its URL.
    result->setAcceptDrops(false);
    return result;
  };

  auto* inputLabel = new QLabel(QStringLiteral("I&nput file (HTML):"), this);
  m_inputEdit = edit(MainDialogId::kInputEdit, "inputEdit");
  QPushButton* browseInput = button("&Browse...", MainDialogId::kBrowseInput, 40, "browseInputButton");
  QPushButton* viewInput = button("&View", MainDialogId::kViewInput, 34, "viewInputButton");
  auto* outputLabel = new QLabel(QStringLiteral("O&utput web archive file (MHT):"), this);
  m_outputEdit = edit(MainDialogId::kOutputEdit, "outputEdit");
  QPushButton* browseOutput = button("B&rowse...", MainDialogId::kBrowseOutput, 40, "browseOutputButton");
  QPushButton* viewOutput = button("V&iew", MainDialogId::kViewOutput, 34, "viewOutputButton");
  QPushButton* setOptions = button("&Set Options", MainDialogId::kSetOptions, 74, "setOptionsButton");
  QPushButton* createArchive = button("&Create Archive", MainDialogId::kCreateArchive, 96, "createArchiveButton");
  QPushButton* about = button("Ab&out", MainDialogId::kAbout, 50, "aboutButton");
  QPushButton* exit = button("E&xit", MainDialogId::kExit, 50, "exitButton");
  inputLabel->setBuddy(m_inputEdit);
  outputLabel->setBuddy(m_outputEdit);
  createArchive->setDefault(true);
  // Typing a page is choosing one; text set by the window itself is not.
  connect(m_inputEdit, &QLineEdit::textEdited, this, [this] { OnInputEdited(); });

  const auto pathRow = [&](QLineEdit* path, QPushButton* browse, QPushButton* view) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(path, 1);
    row->addSpacing(units.X(6));
    row->addWidget(browse);
    row->addSpacing(units.X(5));
    row->addWidget(view);
    return row;
  };
  auto* commands = new QHBoxLayout;
  commands->setSpacing(units.X(6));
  commands->addWidget(setOptions);
  commands->addWidget(createArchive);
  commands->addStretch(1);
  commands->addWidget(about);
  commands->addWidget(exit);

  // The window can be widened, for long paths, but not made taller.
  auto* root = new QVBoxLayout(this);
  root->setSizeConstraint(QLayout::SetMinimumSize);
  root->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
  root->setSpacing(0);
  root->setMenuBar(BuildMenuBar());
  root->addSpacing(units.Y(2));
  root->addWidget(inputLabel);
  root->addSpacing(units.Y(4));
  root->addLayout(pathRow(m_inputEdit, browseInput, viewInput));
  root->addSpacing(units.Y(12));
  root->addWidget(outputLabel);
  root->addSpacing(units.Y(2));
  root->addLayout(pathRow(m_outputEdit, browseOutput, viewOutput));
  root->addSpacing(units.Y(25));
  root->addLayout(commands);
  setFixedHeight(root->totalMinimumSize().height());
}

QMenuBar* CMainDlg::BuildMenuBar() {
  auto* menuBar = new QMenuBar(this);
  const auto item = [this](QMenu* menu, const char* text, MainDialogId id, const char* name) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setObjectName(QString::fromUtf8(name));
    action->setData(CommandNumber(id));
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
  };

  QMenu* file = menuBar->addMenu(QStringLiteral("&File"));
  item(file, "Choose Input File...", MainDialogId::kBrowseInput, "chooseInputAction");
  item(file, "Choose Output File...", MainDialogId::kBrowseOutput, "chooseOutputAction");
  file->addSeparator();
  item(file, "View Input File", MainDialogId::kViewInput, "viewInputAction");
  item(file, "View Output File", MainDialogId::kViewOutput, "viewOutputAction");
  file->addSeparator();
  item(file, "E&xit", MainDialogId::kExit, "exitAction");

  QMenu* action = menuBar->addMenu(QStringLiteral("&Action"));
  item(action, "&Set Options...", MainDialogId::kSetOptions, "setOptionsAction");
  item(action, "&Create Archive", MainDialogId::kCreateArchive, "createArchiveAction");

  QMenu* help = menuBar->addMenu(QStringLiteral("&Help"));
  item(help, "&Contents", MainDialogId::kHelpContents, "helpContentsAction");
  help->addSeparator();
  item(help, "&About", MainDialogId::kAbout, "aboutAction");
  return menuBar;
}

void CMainDlg::OnCommand(MainDialogId id) {
  if (m_converting) return;
  switch (id) {
    case MainDialogId::kExit: reject(); break;
    case MainDialogId::kCreateArchive: OnCreateArchive(); break;
    case MainDialogId::kAbout: OnAbout(); break;
    case MainDialogId::kBrowseInput: OnBrowseInput(); break;
    case MainDialogId::kBrowseOutput: OnBrowseOutput(); break;
    case MainDialogId::kSetOptions: OnSetOptions(); break;
    case MainDialogId::kViewInput: OnViewInput(); break;
    case MainDialogId::kViewOutput: OnViewOutput(); break;
    case MainDialogId::kHelpContents: OnHelpContents(); break;
    default: break;
  }
}

void CMainDlg::reject() {
  if (m_converting) {
    const MessageAnswer cancel = ConvertOptions::Instance().ShowMessage(
        kCloseWhileConverting, MessageStyle::kYesNo | MessageStyle::kIconQuestion);
    // The conversion may have ended while the question was open.
    if (cancel == MessageAnswer::kYes && m_progress != nullptr) {
      m_closeWhenStopped = true;
      m_progress->Cancel();
    }
    return;
  }
  const MessageAnswer answer = ConvertOptions::Instance().ShowStringMessage(
      StringId::kCloseConfirm, MessageStyle::kYesNo | MessageStyle::kIconQuestion);
  if (answer == MessageAnswer::kYes) QDialog::reject();
}

void CMainDlg::OpenPaths(const std::string& inputPath, const std::string& outputPath) {
  ReadFields();
  if (outputPath.empty()) {
    TakePage(inputPath);
  } else {
    m_inputPath = inputPath;
    m_outputPath = outputPath;
    m_proposedOutput.clear();
  }
  RefreshFields();
}

void CMainDlg::TakePage(const std::string& page) {
  m_inputPath = page;
  if (m_outputPath.empty() || m_outputPath == m_proposedOutput) {
    m_proposedOutput = page.empty() ? std::string() : DefaultArchivePath(page);
    m_outputPath = m_proposedOutput;
  }
}

// Only the output is set: the input keeps its cursor and undo history.
void CMainDlg::OnInputEdited() {
  ReadFields();
  TakePage(m_inputPath);
  const QString output = QString::fromStdString(m_outputPath);
  if (m_outputEdit->text() != output) m_outputEdit->setText(output);
}

void CMainDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (!m_converting && DraggedFile(event->mimeData())) event->acceptProposedAction();
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
  if (m_progress != nullptr && event->matches(QKeySequence::Cancel)) {
    m_progress->Cancel();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CMainDlg::dropEvent(QDropEvent* event) {
  const std::optional<QString> file = DraggedFile(event->mimeData());
  if (!file) return;
  event->acceptProposedAction();
  OpenPaths(file->toStdString());
}

void CMainDlg::OnCreateArchive() {
  ReadFields();
  const ConvertOptions& options = ConvertOptions::Instance();
  if (const std::optional<StringId> failedCheck = CheckConversionPaths(m_inputPath, m_outputPath)) {
    options.ShowStringMessage(*failedCheck, MessageStyle::kIconError);
    return;
  }
  if (const std::optional<StringId> refused = CheckOutputTarget(m_inputPath, m_outputPath, options)) {
    options.ShowStringMessage(*refused, MessageStyle::kIconError);
    return;
  }

  // The cursor comes back only after the outcome's box has been dismissed.
  const WaitCursor waitCursor;
  // The options are handed over, the page converted and the archive
  // streamed into the output file, which an existing archive leaves only
  // once the new one is complete, all on the conversion's own thread.
  ConversionResult result;
  {
    // The progress box is gone before the outcome is shown.
    CancellationFlag cancellation;
    ConversionProgressBox progress(this, m_progressDelay, [&cancellation] { cancellation.Cancel(); });
    BackgroundConversion conversion(
        [&progress](std::size_t written, std::size_t found) { progress.Update(written, found); });
    const ConversionRequest request{.inputPath = m_inputPath,
                                    .outputPath = m_outputPath,
                                    .progress = conversion.Reporter(),
                                    .cancellation = &cancellation};
    const ControlsDisabled disabled(*this);
    m_converting = true;
    m_progress = &progress;
    result = conversion.Run([&] { return RunConversion(options, request, m_converter, m_archive, m_logSettings); },
                            cancellation);
    m_progress = nullptr;
    m_converting = false;
  }
  if (m_closeWhenStopped) {
    m_closeWhenStopped = false;
    QDialog::reject();
    return;
  }
  // The user who cancelled knows; the log has the line.
  if (result.reason == ConvertReason::kCancelled) return;
  ShowConversionResult(options, result);
}

void CMainDlg::OnBrowseInput() {
  ReadFields();
  std::optional<std::string> chosen = m_services.ChooseOpenFile(kInputFilter);
  if (!chosen) return;
  TakePage(*chosen);
  RefreshFields();
}

void CMainDlg::OnBrowseOutput() {
  ReadFields();
  std::optional<std::string> chosen = m_services.ChooseSaveFile(OutputQuestion(m_inputPath));
  if (!chosen) return;
  m_outputPath = std::move(*chosen);
  m_proposedOutput.clear();
  RefreshFields();
}

void CMainDlg::OnViewInput() {
  ReadFields();
  View(m_inputPath);
}

void CMainDlg::OnViewOutput() {
  ReadFields();
  View(m_outputPath);
}

void CMainDlg::View(const std::string& path) {
  if (path.empty()) return;
  if (!m_services.OpenPath(path)) m_services.ShowShellFailure("Cannot open the file at:\n\n" + path);
}

void CMainDlg::OnSetOptions() {
  CMySheet sheet(m_services, this);
  m_services.Exec(sheet);
}

void CMainDlg::OnAbout() {
  CAboutDlg about(m_services, this);
  m_services.Exec(about);
}

void CMainDlg::OnHelpContents() { ConvertOptions::Instance().OpenHelp(); }

void CMainDlg::ReadFields() {
  m_inputPath = m_inputEdit->text().toStdString();
  m_outputPath = m_outputEdit->text().toStdString();
}

void CMainDlg::RefreshFields() {
  m_inputEdit->setText(QString::fromStdString(m_inputPath));
  m_outputEdit->setText(QString::fromStdString(m_outputPath));
}
