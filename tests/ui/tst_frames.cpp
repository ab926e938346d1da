// The self-drawn frames and the theme: the hit-test and geometry rules at
// their boundaries, the pictures every role needs, the fonts and colours,
// and the frames and controls as the user meets them.

#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "ui/controls/Artwork.h"
#include "ui/controls/CCustomDialog.h"
#include "ui/controls/CCustomFrameWnd.h"
#include "ui/controls/CaptionButton.h"
#include "ui/controls/FrameGeometry.h"
#include "ui/controls/HeaderMenuTitle.h"
#include "ui/controls/Theme.h"
#include "ui/controls/VelaButton.h"
#include "ui/controls/VelaHyperLink.h"
#include "ui/controls/VelaLabel.h"
#include "ui/controls/VelaProgressBar.h"

#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

#include <cmath>
#include <limits>

using namespace nbr;
using frame::HitArea;

Q_DECLARE_METATYPE(nbr::frame::HitArea)

namespace {

void SendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(local), QPointF(w->mapToGlobal(local)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

}  // namespace

class TestFrames : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const auto& [index, name] : {std::pair {0, "ENG"}, std::pair {2, "FRA"}})
            languages_.AddPack(index, QStringLiteral(NIMBRA_LANG_DIR "/Lang%1.json").arg(QLatin1String(name)));
        QVERIFY(languages_.SelectLanguage(LanguageManager::kEnglish, true));
        Theme::Instance().SetLanguages(&languages_);
    }

    void frameHitTest_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<HitArea>("area");
        // A 400 x 300 main window.
        QTest::newRow("top-left corner") << QPoint(5, 5) << HitArea::TopLeft;
        QTest::newRow("top edge after the corner") << QPoint(6, 0) << HitArea::Top;
        QTest::newRow("top-right corner") << QPoint(394, 5) << HitArea::TopRight;
        QTest::newRow("left side of the header is caption") << QPoint(0, 6) << HitArea::Caption;
        QTest::newRow("left edge below the header") << QPoint(5, 56) << HitArea::Left;
        QTest::newRow("client starts at 6, 56") << QPoint(6, 56) << HitArea::Client;
        QTest::newRow("header's last row") << QPoint(6, 55) << HitArea::Caption;
        QTest::newRow("right edge") << QPoint(394, 100) << HitArea::Right;
        QTest::newRow("last client column") << QPoint(393, 100) << HitArea::Client;
        QTest::newRow("bottom edge") << QPoint(200, 294) << HitArea::Bottom;
        QTest::newRow("last client row") << QPoint(200, 293) << HitArea::Client;
        QTest::newRow("bottom-left") << QPoint(5, 299) << HitArea::BottomLeft;
        QTest::newRow("bottom-right") << QPoint(399, 299) << HitArea::BottomRight;
        QTest::newRow("close, first column") << QPoint(366, 6) << HitArea::CloseButton;
        QTest::newRow("close, last pixel") << QPoint(393, 20) << HitArea::CloseButton;
        QTest::newRow("below the buttons") << QPoint(393, 21) << HitArea::Caption;
        QTest::newRow("between maximise and close") << QPoint(365, 10) << HitArea::Caption;
        QTest::newRow("maximise") << QPoint(336, 10) << HitArea::MaximizeButton;
        QTest::newRow("maximise, last column") << QPoint(363, 10) << HitArea::MaximizeButton;
        QTest::newRow("minimise") << QPoint(306, 10) << HitArea::MinimizeButton;
        QTest::newRow("left of minimise") << QPoint(305, 10) << HitArea::Caption;
        QTest::newRow("outside") << QPoint(400, 10) << HitArea::Nowhere;
        QTest::newRow("above") << QPoint(10, -1) << HitArea::Nowhere;
    }
    void frameHitTest()
    {
        QFETCH(QPoint, point);
        QFETCH(HitArea, area);
        QCOMPARE(frame::FrameHitTest(QSize(400, 300), point), area);
    }

    void dialogHitTest_data()
    {
        QTest::addColumn<unsigned>("style");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<HitArea>("area");
        // A 300 x 200 dialog; a fixed one never sizes.
        QTest::newRow("fixed: top corner is border") << 0u << QPoint(0, 0) << HitArea::Border;
        QTest::newRow("fixed: top border row 3") << 0u << QPoint(150, 3) << HitArea::Border;
        QTest::newRow("fixed: caption from row 4") << 0u << QPoint(150, 4) << HitArea::Caption;
        QTest::newRow("fixed: caption to row 53") << 0u << QPoint(150, 53) << HitArea::Caption;
        QTest::newRow("fixed: client from row 54") << 0u << QPoint(150, 54) << HitArea::Client;
        QTest::newRow("fixed: left border") << 0u << QPoint(3, 100) << HitArea::Border;
        QTest::newRow("fixed: first client column") << 0u << QPoint(4, 100) << HitArea::Client;
        QTest::newRow("fixed: right border") << 0u << QPoint(296, 100) << HitArea::Border;
        QTest::newRow("fixed: bottom border") << 0u << QPoint(150, 196) << HitArea::Border;
        QTest::newRow("fixed: last client row") << 0u << QPoint(150, 195) << HitArea::Client;
        QTest::newRow("fixed: close") << 0u << QPoint(268, 4) << HitArea::CloseButton;
        QTest::newRow("fixed: close, last pixel") << 0u << QPoint(295, 18) << HitArea::CloseButton;
        QTest::newRow("fixed: below close") << 0u << QPoint(295, 19) << HitArea::Caption;
        QTest::newRow("fixed: left of close") << 0u << QPoint(267, 10) << HitArea::Caption;
        QTest::newRow("fixed: no maximise box") << 0u << QPoint(240, 10) << HitArea::Caption;
        QTest::newRow("fixed: maximise box") << unsigned(frame::kMaximizeBox) << QPoint(238, 10)
                                             << HitArea::MaximizeButton;
        QTest::newRow("fixed: no minimise box") << unsigned(frame::kMaximizeBox) << QPoint(208, 10)
                                                << HitArea::Caption;
        QTest::newRow("fixed: minimise box") << unsigned(frame::kMinimizeBox) << QPoint(208, 10)
                                             << HitArea::MinimizeButton;
        QTest::newRow("sizable: corner") << unsigned(frame::kResizable) << QPoint(0, 0) << HitArea::TopLeft;
        QTest::newRow("sizable: close") << unsigned(frame::kResizable) << QPoint(266, 6) << HitArea::CloseButton;
        QTest::newRow("sizable: no maximise box") << unsigned(frame::kResizable) << QPoint(240, 10)
                                                  << HitArea::Caption;
        QTest::newRow("sizable: bottom edge") << unsigned(frame::kResizable) << QPoint(150, 194) << HitArea::Bottom;
    }
    void dialogHitTest()
    {
        QFETCH(unsigned, style);
        QFETCH(QPoint, point);
        QFETCH(HitArea, area);
        QCOMPARE(frame::DialogHitTest(QSize(300, 200), point, style), area);
    }

    // A button is drawn exactly where it is hit: all four corners of each
    // drawn rectangle hit that button, and the pixels just outside do not.
    void buttonsDrawnWhereHit()
    {
        using frame::ButtonKind;
        const QSize size(500, 300);
        const std::pair<ButtonKind, HitArea> kinds[] = {{ButtonKind::Close, HitArea::CloseButton},
                                                         {ButtonKind::Maximize, HitArea::MaximizeButton},
                                                         {ButtonKind::Minimize, HitArea::MinimizeButton}};
        const unsigned all = frame::kMaximizeBox | frame::kMinimizeBox;
        for (const unsigned style : {all, all | unsigned(frame::kResizable), 1000u}) {
            for (const auto& [kind, area] : kinds) {
                const bool main = style == 1000u;
                const QRect r = main ? frame::FrameButtonRect(size, kind) : frame::DialogButtonRect(size, style, kind);
                auto hit = [&](QPoint p) {
                    return main ? frame::FrameHitTest(size, p) : frame::DialogHitTest(size, p, style);
                };
                QCOMPARE(r.size(), frame::kCaptionButtonSize);
                for (const QPoint p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
                    QCOMPARE(hit(p), area);
                QVERIFY(hit(r.bottomLeft() + QPoint(0, 1)) != area);
                QVERIFY(hit(r.topLeft() - QPoint(1, 0)) != area);
            }
        }
        QVERIFY(frame::DialogButtonRect(size, 0, ButtonKind::Maximize).isEmpty());
    }

    void roundedOutline()
    {
        const QRegion region = frame::RoundedRegion(QSize(100, 60));
        for (const QPoint out : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(99, 0), QPoint(0, 59), QPoint(99, 59)})
            QVERIFY2(!region.contains(out), qPrintable(QStringLiteral("%1,%2").arg(out.x()).arg(out.y())));
        for (const QPoint in : {QPoint(4, 0), QPoint(0, 4), QPoint(50, 0), QPoint(1, 1), QPoint(50, 30), QPoint(99, 30)})
            QVERIFY2(region.contains(in), qPrintable(QStringLiteral("%1,%2").arg(in.x()).arg(in.y())));
        // Windows too small for whole corners still get an outline.
        QVERIFY(!frame::RoundedRegion(QSize(3, 3)).isEmpty());
        QVERIFY(frame::RoundedRegion(QSize(0, 10)).isEmpty());
    }

    void manualResizeKeepsTheOppositeEdges()
    {
        const QRect start(100, 100, 300, 200);
        QCOMPARE(frame::ResizedGeometry(start, Qt::RightEdge | Qt::BottomEdge, QPoint(20, 30), QSize(50, 50)),
                 QRect(100, 100, 320, 230));
        // Dragged past the minimum: the right and bottom edges stay put.
        QCOMPARE(frame::ResizedGeometry(start, Qt::LeftEdge | Qt::TopEdge, QPoint(400, 400), QSize(50, 60)),
                 QRect(350, 240, 50, 60));
        QCOMPARE(frame::ResizedGeometry(start, Qt::TopEdge, QPoint(5, -10), QSize(50, 50)), QRect(100, 90, 300, 210));
    }

    // Every picture a role names exists, at the size the frames draw it.
    void artworkForEveryRole()
    {
        const ThemeBitmaps b;
        auto expect = [](int number, QSize size) {
            QVERIFY2(Artwork::Has(number), qPrintable(QString::number(number)));
            QCOMPARE(Artwork::Size(number), size);
        };
        expect(b.headerArt, QSize(432, 50));
        expect(b.headerFiller, QSize(50, 50));
        for (const auto& set : {b.close, b.maximize, b.restore, b.minimize})
            for (const int n : set)
                expect(n, QSize(28, 15));
        for (const int n : b.captionIcons)
            expect(n, QSize(20, 20));
        for (const int n : b.edgeSlices)
            expect(n, QSize(3, 20));
        for (const auto& set : {b.smallMinimize, b.smallClose})
            for (const int n : set)
                expect(n, QSize(14, 14));
        const QSize pieces[9] = {{4, 10}, {1, 10}, {4, 10}, {4, 1}, {1, 1}, {4, 1}, {4, 4}, {1, 4}, {4, 4}};
        for (const auto& style : b.groupBox)
            for (int i = 0; i < 9; ++i)
                expect(style[i], pieces[i]);
        for (int kind = 0; kind < 3; ++kind)
            for (const int n : b.pushButtons[kind])
                expect(n, Theme::PushButtonSize(kind));
        expect(b.checkStrip, QSize(7 * 20, 20));
        expect(b.radioStrip, QSize(7 * 20, 20));
        expect(b.scrollParts, QSize(16 * 16, 16));
        expect(b.splash, QSize(427, 224));
        expect(b.appIcon, QSize(48, 48));
        expect(VelaProgressBar::kDefaultTrack, QSize(40, 12));
        QVERIFY(!Artwork::Has(99999));
    }

    void pushButtonStates()
    {
        const Theme& t = Theme::Instance();
        const auto& kind1 = t.Bitmaps().pushButtons[1];
        const int expected[9] = {kind1[0], kind1[1], kind1[2], kind1[2], kind1[4], kind1[1], kind1[2], kind1[2], kind1[3]};
        for (int state = 0; state < 9; ++state)
            QCOMPARE(t.PushButtonBitmap(1, state), expected[state]);
    }

    void fontsAndColours()
    {
        const Theme& t = Theme::Instance();
        const int heights[10] = {13, 13, 13, 13, 22, 22, 18, 18, 16, 16};
        for (int i = 0; i < Theme::kFontCount; ++i) {
            const QFont f = t.Font(i);
            QVERIFY2(std::abs(QFontMetrics(f).height() - heights[i]) <= 1, qPrintable(QString::number(i)));
            QCOMPARE(f.bold(), i == 1 || i == 5 || i == 7 || i == 9);
            QCOMPARE(f.underline(), i == 2);
            const QString family = QFontInfo(f).family();
            QVERIFY2(family.startsWith(QLatin1String("DejaVu Sans")) || family == QLatin1String("Liberation Sans"),
                     qPrintable(family));
        }
        QCOMPARE(t.Color(29), QColor(64, 64, 192));
        QCOMPARE(t.Color(31), QColor(51, 51, 51));
        QCOMPARE(t.Color(40), QColor(38, 61, 150));
        QVERIFY(t.Color(63).has_value());
        // The table ends at 63: 64 is not read past its end.
        QVERIFY(!t.Color(64).has_value());
        QVERIFY(!t.Color(-1).has_value());
    }

    void labelFontAndColour()
    {
        VelaLabel label(QStringLiteral("&Password"), nullptr);
        label.SetFontIndex(5);
        QCOMPARE(label.font(), Theme::Instance().Font(5));
        QCOMPARE(label.accessibleName(), QStringLiteral("Password"));
        QCOMPARE(label.TextColor(), QColor(51, 51, 51));
        label.setEnabled(false);
        QCOMPARE(label.TextColor(), *Theme::Instance().Color(Theme::kColorLabelDisabled));
        label.SetFontIndex(42);
        QCOMPARE(label.FontIndex(), 0);

        // A '&' marks a letter only on a label that names a field: in a
        // message ("Tom & Jerry.txt") it is drawn as it stands.
        const auto drawn = [](const QString& text, QWidget* buddy) {
            VelaLabel shown(text, nullptr);
            shown.setBuddy(buddy);
            shown.resize(200, 30);
            return shown.grab().toImage();
        };
        QLineEdit field;
        QCOMPARE(drawn(QStringLiteral("Tom & Jerry"), nullptr), drawn(QStringLiteral("Tom && Jerry"), &field));
        QVERIFY(drawn(QStringLiteral("&Jerry"), nullptr) != drawn(QStringLiteral("&Jerry"), &field));
    }

    void hyperlinkOpensOnlyATarget()
    {
        VelaHyperLink link;
        QStringList opened;
        link.SetOpener([&opened](const QString& t) { opened << t; });
        link.resize(100, 20);
        QTest::mouseClick(&link, Qt::LeftButton);
        QVERIFY(opened.isEmpty());
        link.SetTarget(QStringLiteral("https://example.invalid/help"));
        QTest::mouseClick(&link, Qt::LeftButton);
        QTest::keyClick(&link, Qt::Key_Return);
        QCOMPARE(opened, QStringList(2, QStringLiteral("https://example.invalid/help")));
        // Released outside: no click.
        QTest::mousePress(&link, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(&link, Qt::LeftButton, {}, QPoint(150, 5));
        QCOMPARE(opened.size(), 2);
    }

    void progressFraction()
    {
        VelaProgressBar bar;
        bar.SetMaximum(0.0f);
        bar.SetPosition(5.0f);
        QCOMPARE(bar.Fraction(), 0.0);
        bar.SetMaximum(200.0f);
        QCOMPARE(bar.Fraction(), 0.025);
        bar.SetPosition(500.0f);
        QCOMPARE(bar.Fraction(), 1.0);
        bar.SetPosition(std::numeric_limits<float>::quiet_NaN());
        QCOMPARE(bar.Fraction(), 0.0);
    }

    // The maximised frame shows restore in the middle, and a click there
    // restores it; the names follow the language.
    void maximiseAndRestore()
    {
        CCustomFrameWnd window;
        window.resize(600, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CaptionButton* middle = window.CaptionButtonOf(frame::ButtonKind::Maximize);
        QCOMPARE(middle->Images(), Theme::Instance().Bitmaps().maximize);
        QCOMPARE(middle->accessibleName(), QStringLiteral("Maximise"));
        QTest::mouseClick(middle, Qt::LeftButton);
        QTRY_VERIFY(window.isMaximized());
        QCOMPARE(middle->Images(), Theme::Instance().Bitmaps().restore);
        QCOMPARE(middle->accessibleName(), QStringLiteral("Restore"));
        QTest::mouseClick(middle, Qt::LeftButton);
        QTRY_VERIFY(!window.isMaximized());
        QCOMPARE(middle->Images(), Theme::Instance().Bitmaps().maximize);

        QVERIFY(languages_.SelectLanguage(LanguageManager::kFrench, true));
        window.UpdateTexts();
        QCOMPARE(window.CaptionButtonOf(frame::ButtonKind::Close)->accessibleName(), QStringLiteral("Fermer"));
        QVERIFY(languages_.SelectLanguage(LanguageManager::kEnglish, true));

        // Pressed on close, released elsewhere: nothing.
        CaptionButton* close = window.CaptionButtonOf(frame::ButtonKind::Close);
        QTest::mousePress(close, Qt::LeftButton);
        QCOMPARE(close->ShownState(), 2);
        QTest::mouseRelease(close, Qt::LeftButton, {}, QPoint(-20, 5));
        QTest::qWait(20);
        QVERIFY(window.isVisible());
        QTest::mouseClick(close, Qt::LeftButton);
        QTRY_VERIFY(!window.isVisible());
    }

    void outlineIsTheWindowMask()
    {
        CCustomDialog dialog;
        dialog.resize(300, 200);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!dialog.mask().contains(QPoint(0, 0)));
        QVERIFY(!dialog.mask().contains(QPoint(299, 199)));
        QVERIFY(dialog.mask().contains(QPoint(150, 100)));
        dialog.resize(400, 250);
        QVERIFY(!dialog.mask().contains(QPoint(399, 0)));
        QVERIFY(dialog.mask().contains(QPoint(299, 199)));
    }

    void menuOpensBelowTheHeader()
    {
        CCustomFrameWnd window;
        auto* file = new QMenu(QStringLiteral("&File"), &window);
        file->addAction(QStringLiteral("Exit"));
        auto* edit = new QMenu(QStringLiteral("&Edit"), &window);
        edit->addAction(QStringLiteral("Copy"));
        window.AddMenu(file);
        window.AddMenu(edit);
        window.resize(700, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        HeaderMenuTitle* first = window.MenuTitles().at(0);
        HeaderMenuTitle* second = window.MenuTitles().at(1);
        QCOMPARE(first->accessibleName(), QStringLiteral("File"));
        QCOMPARE(first->x() + 8, frame::kMenuOrigin.x());
        QCOMPARE(second->x(), first->geometry().right() + 1);
        QCOMPARE(window.MenuItemAt(second->geometry().center()), 1);
        QCOMPARE(window.MenuItemAt(QPoint(20, 20)), -1);
        QCOMPARE(window.HitTest(second->geometry().center()), HitArea::Caption);
        // The keyboard: the title's mnemonic, and F10 for the first menu.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F10);
        QTRY_VERIFY(file->isVisible());
        file->hide();
        QTest::keyClick(&window, Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(edit->isVisible());
        edit->hide();
        // The mouse.
        QTest::mousePress(second, Qt::LeftButton);
        QTRY_VERIFY(edit->isVisible());
        QCOMPARE(edit->pos(), window.mapToGlobal(QPoint(second->x(), 56)));
        // Right and Left move along the menu bar, wrapping at its ends.
        QTest::keyClick(edit, Qt::Key_Right);
        QTRY_VERIFY(file->isVisible());
        QVERIFY(!edit->isVisible());
        QCOMPARE(window.OpenMenuIndex(), 0);
        QTest::keyClick(file, Qt::Key_Left);
        QTRY_VERIFY(edit->isVisible());
        QCOMPARE(window.OpenMenuIndex(), 1);
        edit->hide();
        QCOMPARE(window.OpenMenuIndex(), -1);
        QVERIFY(!second->IsOpen());
    }

    // Without the window system's help, the frame follows the mouse itself.
    void manualMoveAndResize()
    {
        CCustomDialog dialog(nullptr, frame::kResizable);
        dialog.setGeometry(100, 100, 300, 200);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint caption(100, 30);
        SendMouse(&dialog, QEvent::MouseButtonPress, caption, Qt::LeftButton);
        SendMouse(&dialog, QEvent::MouseMove, caption + QPoint(30, 40), Qt::LeftButton);
        SendMouse(&dialog, QEvent::MouseButtonRelease, caption + QPoint(30, 40), Qt::NoButton);
        QCOMPARE(dialog.pos(), QPoint(130, 140));

        const QPoint corner(299, 199);
        SendMouse(&dialog, QEvent::MouseButtonPress, corner, Qt::LeftButton);
        SendMouse(&dialog, QEvent::MouseMove, corner + QPoint(50, 20), Qt::LeftButton);
        SendMouse(&dialog, QEvent::MouseButtonRelease, corner + QPoint(50, 20), Qt::NoButton);
        QCOMPARE(dialog.geometry(), QRect(130, 140, 350, 220));
        QCOMPARE(dialog.Client()->geometry(), QRect(6, 56, 338, 158));

        // A fixed dialog is moved but never sized.
        CCustomDialog fixed;
        fixed.setGeometry(100, 100, 300, 200);
        fixed.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fixed));
        SendMouse(&fixed, QEvent::MouseButtonPress, QPoint(299, 199), Qt::LeftButton);
        SendMouse(&fixed, QEvent::MouseMove, QPoint(340, 240), Qt::LeftButton);
        SendMouse(&fixed, QEvent::MouseButtonRelease, QPoint(340, 240), Qt::NoButton);
        QCOMPARE(fixed.geometry(), QRect(100, 100, 300, 200));
    }

    void dialogKeyboard()
    {
        CCustomDialog dialog;
        QCOMPARE(dialog.BorderWidth(), 4);
        QVERIFY(!dialog.CaptionButtonOf(frame::ButtonKind::Maximize)->isVisibleTo(&dialog));
        QVERIFY(dialog.CaptionButtonOf(frame::ButtonKind::Close)->isVisibleTo(&dialog));
        dialog.SetClientSize(QSize(200, 100));
        QCOMPARE(dialog.size(), QSize(208, 158));
        QCOMPARE(dialog.ClientRect(), QRect(4, 54, 200, 100));
        auto* ok = new VelaButton(QStringLiteral("OK"), dialog.Client(), 2);
        ok->setDefault(true);
        int clicks = 0;
        connect(ok, &QPushButton::clicked, &dialog, [&clicks] { ++clicks; });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(ok->State() & Theme::kFocused);
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(clicks, 1);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        ok->setEnabled(false);
        QCOMPARE(ok->State(), int(Theme::kDisabled));
    }

private:
    LanguageManager languages_;
};

QTEST_MAIN(TestFrames)
#include "tst_frames.moc"
