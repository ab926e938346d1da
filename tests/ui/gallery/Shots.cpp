// The windows of the gallery, one line each in Shots() below.

#include "Gallery.h"

#include "app/StoreSession.h"
#include "base/HeadlessProgress.h"
#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "base/RegistrySettings.h"
#include "base/VariableStore.h"
#include "panes/DeviceDataTreeController.h"
#include "panes/MyComputerTreeController.h"
#include "platform/HostFacts.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "store/OpenedFileList.h"
#include "store/WorkUnits.h"
#include "ui/controls/Artwork.h"
#include "ui/controls/CCustomDialog.h"
#include "ui/controls/CCustomFrameWnd.h"
#include "ui/controls/Theme.h"
#include "ui/controls/VelaButton.h"
#include "ui/controls/VelaCheckBox.h"
#include "ui/controls/VelaGroupBox.h"
#include "ui/controls/VelaHyperLink.h"
#include "ui/controls/VelaLabel.h"
#include "ui/controls/VelaPicture.h"
#include "ui/controls/VelaProgressBar.h"
#include "ui/controls/VelaRadioButton.h"
#include "ui/controls/VelaRichEdit.h"
#include "ui/controls/VelaScrollBar.h"
#include "ui/controls/VelaScrollWnd.h"
#include "ui/panes/NewDirectoryDlg.h"
#include "ui/panes/ProgressDlg.h"
#include "ui/windows/CAboutDlg.h"
#include "ui/windows/CDlgChooseLang.h"
#include "ui/windows/CLoginDlg.h"
#include "ui/windows/CMainFrame.h"
#include "ui/windows/CMessageBoxDlg.h"
#include "ui/windows/CSetupPagePassword.h"
#include "ui/windows/CSetupWizzard.h"
#include "ui/windows/CSplashScreenEx.h"
#include "ui/windows/RecoverDlg.h"
#include "ui/windows/RecoveryKeyDlg.h"
#include "ui/windows/ConfigurationDlg.h"
#include "ui/windows/ConfigurationPagePassword.h"
#include "ui/windows/EulaDlg.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QMenu>
#include <QPainter>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>

namespace nbr::gallery {

QString Context::Text(int id) const
{
    return languages_.GetText(id);
}

namespace {

QWidget* MainFrame(Context& c, bool maximized)
{
    auto* frame = c.Keep(std::make_unique<CCustomFrameWnd>());
    for (const int id : {msg::kMenuFile, msg::kMenuEdit, msg::kMenuView, msg::kMenuOptions, msg::kMenuHelp}) {
        auto* menu = new QMenu(c.Text(id), frame);
        menu->addAction(c.Text(msg::kMenuCopyItem));
        menu->addAction(c.Text(msg::kMenuPasteItem));
        menu->addSeparator();
        menu->addAction(c.Text(msg::kMenuExit));
        frame->AddMenu(menu);
    }
    auto* central = new QWidget;
    auto* layout = new QHBoxLayout(central);
    for (const int id : {msg::kColumnName, msg::kColumnDate}) {
        auto* pane = new VelaGroupBox(central, 1);
        pane->SetTitle(c.Text(id));
        layout->addWidget(pane);
    }
    frame->setCentralWidget(central);
    frame->statusBar()->showMessage(c.Text(msg::kStartSubtitle));
    frame->setWindowTitle(c.Text(msg::kCaptionNotice));
    frame->setGeometry(20, 20, 760, 420);
    if (maximized)
        frame->showMaximized();
    else
        frame->show();
    return frame;
}

QWidget* ControlsDialog(Context& c)
{
    auto* dialog = c.Keep(std::make_unique<CCustomDialog>(nullptr, 0));
    dialog->setWindowTitle(c.Text(msg::kEulaHeading));
    auto* outer = new QVBoxLayout(dialog);
    auto* heading = new VelaLabel(c.Text(msg::kStartSubtitle), dialog);
    heading->SetFontIndex(Theme::kFontMediumBold);
    outer->addWidget(heading);

    auto* row = new QHBoxLayout;
    auto* group = new VelaGroupBox(dialog, 0);
    group->SetTitle(c.Text(msg::kMenuOptions).remove(QLatin1Char('&')));
    auto* inGroup = new QVBoxLayout(group);
    auto* check = new VelaCheckBox(c.Text(msg::kLoginHintLink), group);
    check->setChecked(true);
    inGroup->addWidget(check);
    inGroup->addWidget(new VelaCheckBox(c.Text(msg::kMenuRefreshItem), group));
    auto* radio1 = new VelaRadioButton(c.Text(msg::kEulaAccept), group);
    radio1->setChecked(true);
    inGroup->addWidget(radio1);
    inGroup->addWidget(new VelaRadioButton(c.Text(msg::kEulaDecline), group));
    auto* disabled = new VelaCheckBox(c.Text(msg::kMenuLicense), group);
    disabled->setEnabled(false);
    inGroup->addWidget(disabled);
    row->addWidget(group);

    auto* side = new QVBoxLayout;
    auto* picture = new VelaPicture(188, dialog);
    picture->setAccessibleName(c.Text(msg::kCaptionNotice));
    side->addWidget(picture);
    auto* label = new VelaLabel(c.Text(msg::kWrongPassword), dialog);
    label->setWordWrap(true);
    side->addWidget(label);
    auto* link = new VelaHyperLink(dialog);
    link->SetText(c.Text(msg::kMenuAbout).remove(QLatin1Char('&')));
    link->SetTarget(QStringLiteral("https://example.invalid/"));
    side->addWidget(link);
    auto* bar = new VelaProgressBar(dialog);
    bar->SetMaximum(100.0f);
    bar->SetPosition(62.5f);
    bar->setAccessibleName(c.Text(msg::kTitleEncrypting));
    side->addWidget(bar);
    side->addStretch();
    row->addLayout(side);
    outer->addLayout(row);

    auto* edit = new VelaRichEdit;
    QString text;
    for (int id = 10; id <= 29; ++id)
        text += c.Text(id) + QLatin1Char('\n');
    edit->setPlainText(text);
    edit->setReadOnly(true);
    edit->setAccessibleName(c.Text(msg::kEulaHeading));
    auto* wrap = new VelaScrollWnd(edit, dialog);
    wrap->setFixedHeight(90);
    outer->addWidget(wrap);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new VelaButton(c.Text(msg::kButtonOk), dialog, 2);
    ok->setDefault(true);
    buttons->addWidget(ok);
    buttons->addWidget(new VelaButton(c.Text(msg::kButtonCancel), dialog, 0));
    auto* off = new VelaButton(c.Text(msg::kButtonRetry), dialog, 0);
    off->setEnabled(false);
    buttons->addWidget(off);
    outer->addLayout(buttons);
    dialog->SetClientSize(QSize(470, 330));
    dialog->move(20, 20);
    dialog->show();
    return dialog;
}

QWidget* SizableDialog(Context& c)
{
    auto* dialog = c.Keep(std::make_unique<CCustomDialog>(nullptr, frame::kResizable | frame::kMaximizeBox
                                                                         | frame::kMinimizeBox));
    dialog->setWindowTitle(c.Text(msg::kCaptionError));
    auto* layout = new QVBoxLayout(dialog);
    auto* label = new VelaLabel(c.Text(msg::kStoreManifest), dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* push = new VelaButton(c.Text(msg::kButtonOk), dialog, 1);
    layout->addWidget(push, 0, Qt::AlignRight);
    dialog->SetClientSize(QSize(420, 110));
    dialog->move(20, 20);
    dialog->show();
    return dialog;
}

// Every drawing of the artwork with its number, at twice its size: the
// pieces no window shows in a single state.
class ArtSheet final : public QWidget {
public:
    ArtSheet()
    {
        setAccessibleName(QStringLiteral("artwork"));
        for (int n = 100; n < 600; ++n) {
            if (Artwork::Has(n) && n != Theme::Instance().Bitmaps().splash)
                numbers_.push_back(n);
        }
        resize(1000, 620);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(128, 132, 140));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setFont(Theme::Instance().Font(Theme::kFontNormal));
        int x = 8, y = 8, rowHeight = 0;
        for (const int n : numbers_) {
            const QSize size = Artwork::Size(n) * (Artwork::Size(n).width() > 200 ? 1 : 2);
            const int cellWidth = std::max(size.width(), 30) + 12;
            if (x + cellWidth > width()) {
                x = 8;
                y += rowHeight + 20;
                rowHeight = 0;
            }
            Artwork::Draw(painter, n, QRectF(x, y, size.width(), size.height()));
            painter.setPen(Qt::white);
            painter.drawText(QPoint(x, y + size.height() + 13), QString::number(n));
            x += cellWidth;
            rowHeight = std::max(rowHeight, size.height());
        }
    }

private:
    std::vector<int> numbers_;
};

QWidget* Splash(Context& c)
{
    auto* splash = c.Keep(std::make_unique<CSplashScreenEx>(SplashTimings {0, 0}));
    if (!splash->Create(nullptr, QString(), 0, 15) || !splash->SetBitmap(CSplashScreenEx::kStartupBitmap))
        return nullptr;
    splash->SetTextRect(CSplashScreenEx::kStartupTextRect);
    splash->SetText(c.Text(msg::kSplashLoading));
    splash->Show();
    splash->Window()->move(20, 20);
    return splash->Window();
}

QWidget* Box(Context& c, const QString& text, std::uint32_t buttons, int icon, int banner = 0,
             const QString& check = {}, int title = 0)
{
    MessageBoxRequest request;
    request.title = title ? c.Text(title) : QString();
    request.text = text;
    request.buttons = buttons;
    request.icon = icon;
    request.banner = banner;
    request.checkText = check;
    auto* box = c.Keep(std::make_unique<CMessageBoxDlg>(request, c.Languages(), nullptr));
    box->move(20, 20);
    box->show();
    return box;
}

QWidget* LongBox(Context& c)
{
    const QString text = c.Text(msg::kUncleanShutdown) + QStringLiteral("\n\n") + c.Text(msg::kStartInstructions)
        + QStringLiteral("\n\n") + c.Text(msg::kLinkRefused);
    return Box(c, text, mb::kOk, 0);
}

QWidget* LanguageChoice(Context& c)
{
    auto* dialog = c.Keep(std::make_unique<CDlgChooseLang>(c.Languages()));
    dialog->move(20, 20);
    dialog->show();
    return dialog;
}

QWidget* Agreement(Context& c, bool viewOnly)
{
    auto* dialog = c.Keep(std::make_unique<EulaDlg>(c.Languages(), nullptr, viewOnly));
    dialog->move(20, 20);
    dialog->show();
    return dialog;
}

// A session on an empty folder: the windows only look at it when used.
StoreSession& EmptySession(Context& c)
{
    auto* dir = c.Keep(std::make_unique<QTemporaryDir>());
    auto* variables = c.Keep(std::make_unique<VariableStore>());
    variables->InitVariables({}, HostFacts {});
    variables->SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"), dir->path());
    return *c.Keep(std::make_unique<StoreSession>(*variables));
}

// The wizard on page `page`; the password page with a mismatched entry.
QWidget* Wizard(Context& c, int page)
{
    auto* wizard = c.Keep(std::make_unique<CSetupWizzard>(c.Languages(), EmptySession(c), nullptr));
    wizard->move(20, 20);
    wizard->show();
    if (page >= 1)
        wizard->NextButton()->click();
    if (page == 1) {
        wizard->PasswordPage()->PasswordField()->setText(QStringLiteral("sample password"));
        wizard->PasswordPage()->ConfirmationField()->setText(QStringLiteral("sample"));
        wizard->PasswordPage()->HintField()->setText(QStringLiteral("the usual one"));
    }
    return wizard;
}

QWidget* Login(Context& c)
{
    auto* login = c.Keep(std::make_unique<CLoginDlg>(c.Languages(), EmptySession(c), nullptr));
    login->PasswordField()->setText(QStringLiteral("secret"));
    login->move(20, 20);
    login->show();
    return login;
}

// The progress dialog in the middle of copying a file into the store.
QWidget* Progress(Context& c, bool secondBar, bool cancelled)
{
    auto* dialog = c.Keep(std::make_unique<ProgressDlg>(c.Languages()));
    dialog->SetSecondBar(secondBar);
    dialog->SetCancelable(secondBar);
    dialog->SetTitle(c.Text(msg::kTitleEncrypting));
    if (!secondBar)
        dialog->SetLine1(c.Text(msg::kTitlePleaseWait));
    dialog->SetLine2(QStringLiteral("/home/ana/Documents/Projects/2026/Quarterly report (final, signed).pdf"));
    WorkUnits::FormatTransferProgress(dialog, 18'400'000, 42'000'000);
    dialog->Prepare();
    dialog->Begin(84);
    (void)dialog->Step(37);
    dialog->BeginFile(1000);
    (void)dialog->StepFile(700);
    if (cancelled)
        dialog->CancelButton()->click();
    dialog->Refresh();
    dialog->move(20, 20);
    dialog->show();
    return dialog;
}

// What the program's windows need, with settings of their own so that a
// photograph never depends on the user's saved placement.
struct Program {
    QTemporaryDir dir;
    VariableStore variables;
    std::unique_ptr<RegistrySettings> settings;
    std::unique_ptr<StoreSession> session;

    Program()
    {
        variables.InitVariables({}, HostFacts {});
        variables.SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"), dir.path());
        settings = std::make_unique<RegistrySettings>(dir.filePath(QStringLiteral("settings.conf")));
        session = std::make_unique<StoreSession>(variables);
    }
};

// A host folder of sample files and a store holding a copy of them, for the
// panes of the main window.
struct SampleStore {
    SecParams keys;
    std::unique_ptr<EncryptedStore> store;
    std::unique_ptr<OpenedFileList> opened;
    QString host;

    SampleStore(const QString& base, const LanguageManager& languages)
    {
        host = base + QStringLiteral("/Documents");
        const QStringList files {QStringLiteral("Letters/To the bank.odt"), QStringLiteral("Letters/Notes.txt"),
                                 QStringLiteral("Tax 2025/Return.pdf"), QStringLiteral("Tax 2025/Receipts.ods"),
                                 QStringLiteral("Passport scan.png"), QStringLiteral("Recovery codes.txt"),
                                 QStringLiteral("Contract.pdf")};
        for (const QString& name : files) {
            QDir().mkpath(QFileInfo(host + u'/' + name).path());
            QFile file(host + u'/' + name);
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray(1000 + static_cast<int>(name.size()) * 913, 'x'));
        }
        const QByteArray pw("p\0a\0s\0s\0w\0o\0r\0d\0", 16);
        (void)keys.CreateNew(reinterpret_cast<const std::uint8_t*>(pw.constData()), static_cast<std::size_t>(pw.size()));
        store = std::make_unique<EncryptedStore>(base + QStringLiteral("/Encrypted Data"), keys);
        HeadlessProgress progress;
        QStringList top;
        for (const QString& name : QDir(host).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            top << host + u'/' + name;
        CopyToDeviceThread worker(&progress, *store, DropFileList(top), QString(), languages);
        (void)worker.RunHere();
        opened = std::make_unique<OpenedFileList>(*store, base + QStringLiteral("/LaunchBin"), languages);
    }
};

QWidget* ProgramFrame(Context& c, bool storeOnly)
{
    Program* program = c.Keep(std::make_unique<Program>());
    (void)program->settings->WriteNumber(QStringLiteral("ui.Frame.ViewMode"), storeOnly ? 1 : 0);
    SampleStore* sample = c.Keep(std::make_unique<SampleStore>(program->dir.path(), c.Languages()));
    auto* frame = c.Keep(std::make_unique<CMainFrame>(
        MainFrameServices {c.Languages(), *program->settings, program->variables, *program->session}));
    const PaneServices services {c.Languages(), [] { return std::make_unique<HeadlessProgress>(); }, nullptr};
    frame->SetHostControllerFactory([services, sample]() -> std::unique_ptr<TreeController> {
        HostTree tree;
        tree.places.append({QStringLiteral("Documents"), sample->host});
        tree.desktop = sample->host;
        return std::make_unique<MyComputerTreeController>(services, QStringLiteral("/nonexistent-stick"),
                                                          sample->store.get(), tree);
    });
    frame->SetStoreController(std::make_unique<DeviceDataTreeController>(services, *sample->store, *sample->opened));
    (void)frame->LoadStorePane();
    frame->ShowWithPlacement();
    frame->move(20, 20);
    return frame;
}

QWidget* Settings(Context& c)
{
    Program* program = c.Keep(std::make_unique<Program>());
    auto* dialog = c.Keep(std::make_unique<ConfigurationDlg>(c.Languages(), *program->session, nullptr));
    ConfigurationPagePassword* page = dialog->PasswordPage();
    page->CurrentField()->setText(QStringLiteral("my-old-password"));
    page->NewField()->setText(QStringLiteral("a-new-one"));
    page->ConfirmField()->setText(QStringLiteral("a-new"));
    page->HintField()->setText(QStringLiteral("the blue door"));
    dialog->move(20, 20);
    dialog->show();
    return dialog;
}

// The recovery key as Security Settings shows it, and the dialog that takes
// it when the password is forgotten.
QWidget* RecoveryKeyShown(Context& c)
{
    auto* dialog = c.Keep(std::make_unique<RecoveryKeyDlg>(
        c.Languages(), QStringLiteral("HN0C-RM3Z-QSG8-AEAR-0THE-BR2P-DQGV-WDMW-ERVY-9D1X-VC3M-CB44-QFAT-2F7Z"),
        nullptr));
    dialog->move(20, 20);
    dialog->show();
    return dialog;
}

QWidget* Recover(Context& c)
{
    auto* dialog = c.Keep(std::make_unique<RecoverDlg>(c.Languages(), EmptySession(c), nullptr));
    dialog->KeyField()->setText(QStringLiteral("hn0c rm3z qsg8 aear 0the br2p dqgv"));
    dialog->PasswordField()->setText(QStringLiteral("a-new-one"));
    dialog->move(20, 20);
    dialog->show();
    return dialog;
}

QWidget* About(Context& c)
{
    auto* dialog = c.Keep(std::make_unique<CAboutDlg>(c.Languages(), nullptr));
    dialog->move(20, 20);
    dialog->show();
    return dialog;
}

QWidget* NewFolder(Context& c)
{
    auto* dialog = c.Keep(std::make_unique<NewDirectoryDlg>(c.Languages(), nullptr));
    dialog->Field()->setText(QStringLiteral("Tax returns 2025"));
    dialog->move(20, 20);
    dialog->show();
    return dialog;
}

QWidget* Rename(Context& c)
{
    auto* dialog = c.Keep(std::make_unique<NewDirectoryDlg>(c.Languages(), nullptr));
    dialog->SetPurpose(msg::kRenameTitle, QStringLiteral("Quarterly report.odt"));
    dialog->move(20, 20);
    dialog->show();
    return dialog;
}

}  // namespace

const std::vector<Shot>& Shots()
{
    static const std::vector<Shot> shots = {
        {"frame", [](Context& c) { return MainFrame(c, false); }},
        {"frame-maximized", [](Context& c) { return MainFrame(c, true); }},
        {"frame-menu", [](Context& c) {
             auto* frame = static_cast<CCustomFrameWnd*>(MainFrame(c, false));
             QTimer::singleShot(100, frame, [frame] { frame->OpenMenu(1); });
             return frame;
         }},
        {"dialog-controls", ControlsDialog},
        {"dialog-sizable", SizableDialog},
        {"splash", Splash},
        {"artwork", [](Context& c) -> QWidget* {
             auto* sheet = c.Keep(std::make_unique<ArtSheet>());
             sheet->move(20, 20);
             sheet->show();
             return sheet;
         }},
        {"box-warning", [](Context& c) { return Box(c, c.Text(msg::kDriveFull), mb::kOk, mb::kIconWarning); }},
        {"box-error",
         [](Context& c) {
             return Box(c, c.Text(msg::kStoreManifest), mb::kOk | mb::kCancel, mb::kIconError, 0, {},
                        msg::kCaptionError);
         }},
        {"box-store-holds-items",
         [](Context& c) {
             return Box(c, c.Text(msg::kStoreHoldsItems), mb::kOk, mb::kIconError, 0, {}, msg::kCaptionError);
         }},
        {"box-check",
         [](Context& c) {
             return Box(c, c.Languages().FormatText(msg::kQuestionMergeFolder, {QStringLiteral("Photos")}),
                        mb::kYes | mb::kNo | mb::kCancel, mb::kIconInformation, 0, c.Text(msg::kLoginHintLink));
         }},
        {"box-banner",
         [](Context& c) {
             return Box(c, c.Languages().FormatText(msg::kQuestionDeleteItems, {12}),
                        mb::kAbort | mb::kRetry | mb::kIgnore | mb::kCancel, mb::kIconInformation, 210);
         }},
        {"box-long", LongBox},
        {"language", LanguageChoice},
        {"agreement", [](Context& c) { return Agreement(c, false); }},
        {"agreement-view-only", [](Context& c) { return Agreement(c, true); }},
        {"wizard-start", [](Context& c) { return Wizard(c, 0); }},
        {"wizard-password", [](Context& c) { return Wizard(c, 1); }},
        {"login", Login},
        {"progress-one-bar", [](Context& c) { return Progress(c, false, false); }},
        {"progress-two-bars", [](Context& c) { return Progress(c, true, false); }},
        {"progress-cancelled", [](Context& c) { return Progress(c, true, true); }},
        {"main-window", [](Context& c) { return ProgramFrame(c, false); }},
        {"main-window-store-only", [](Context& c) { return ProgramFrame(c, true); }},
        {"security-settings", Settings},
        {"recovery-key", RecoveryKeyShown},
        {"recover", Recover},
        {"about", About},
        {"new-folder", NewFolder},
        {"rename", Rename},
        {"box-close-while-busy",
         [](Context& c) { return Box(c, c.Text(msg::kCloseWhileBusy), mb::kYes | mb::kNo, mb::kIconWarning); }},
        {"box-properties",
         [](Context& c) {
             return Box(c,
                        c.Languages().FormatText(msg::kPropertiesText,
                                                 {QStringLiteral("Quarterly report.odt"),
                                                  QStringLiteral("/home/ana/Documents/Work"),
                                                  QStringLiteral("ODF text document"), QStringLiteral("48 KB"),
                                                  QStringLiteral("12/8/26"), QStringLiteral("rw-r--r-- (ana)")}),
                        mb::kOk, mb::kIconInformation, 0, {}, msg::kMenuProperties);
         }},
    };
    return shots;
}

}  // namespace nbr::gallery
