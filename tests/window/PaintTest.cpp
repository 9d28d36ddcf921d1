// The painted window: black client area, each text in its box of the layout table, the role
// letter in the top-left corner.

#include "WindowTestBase.h"

#include "calllog/LogOwner.h"

#include <QPainter>
#include <QPushButton>

#include <functional>

namespace {

// Client area 192 x 56 dialog units = 288 x 91 pixels: a = (91 - 31) / 2 = 30.
const QRect kCalling(7, 7, 261 - 7, 37 - 7);
const QRect kName(7, 39, 261 - 7, 69 - 39);
const QRect kTime(7, 71, 134 - 7, 91 - 71);
const QRect kCalled(134, 71, 261 - 134, 91 - 71);
const QRect kLetter(0, 0, 12, 16);
// The buttons cover x 258 and beyond; text checks look left of them.
const QRect kLeftOfButtons(0, 0, 258, 91);

int CountColour(const QImage& image, const QRect& box, bool (*match)(QRgb)) {
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (match(image.pixel(x, y)))
                ++n;
    return n;
}

bool Green(QRgb p) {
    return qGreen(p) > 200 && qRed(p) < 80 && qBlue(p) < 80;
}
bool Red(QRgb p) {
    return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80;
}
bool White(QRgb p) {
    return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200;
}

// Mean x of the lit pixels in a box.
double LitCentreX(const QImage& image, const QRect& box) {
    double sum = 0;
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0) {
                sum += x;
                ++n;
            }
    return n ? sum / n : -1;
}

class PaintTest : public WindowTestBase {
  protected:
    void SetTexts(const std::string& calling, const std::string& name, const std::string& time,
                  const std::string& called) {
        m_state.SetTexts({calling, name, time, called});
    }
};

} // namespace

TEST_F(PaintTest, LayoutTextsAndRoleLetter) {
    ASSERT_EQ(m_dlg->ClientRect().size(), QSize(288, 91));
    const int buttonsLeft = 258; // x 172 in dialog units

    // Before the first call: only the role letter on black.
    g_bLogOwner.store(true);
    QImage image = ClientImage();
    EXPECT_GT(CountColour(image, kLetter, Green), 5);
    EXPECT_EQ(CountColour(image, kLetter, Red), 0);
    EXPECT_EQ(LitPixels(image, QRect(0, 16, buttonsLeft, 91 - 16)), 0);
    EXPECT_EQ(LitPixels(image, QRect(12, 0, buttonsLeft - 12, 16)), 0);

    SetTexts("0791234567", "Martin Paul", "12:34:56", "0219876543");
    image = ClientImage();
    for (const QRect& box : {kCalling, kName, kTime, kCalled})
        EXPECT_GT(CountColour(image, box & kLeftOfButtons, White), 20) << box.x() << "," << box.y();
    // Nothing is drawn between the boxes.
    EXPECT_EQ(LitPixels(image, QRect(0, 37, buttonsLeft, 2)), 0);
    EXPECT_EQ(LitPixels(image, QRect(0, 69, buttonsLeft, 2)), 0);
    EXPECT_EQ(LitPixels(image, QRect(0, 17, 7, 91 - 17)), 0);
    // The calling number is bigger than the name: its glyphs are taller.
    auto litRows = [&](const QRect& box) {
        int rows = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            if (LitPixels(image, QRect(box.left(), y, box.width(), 1)) > 0)
                ++rows;
        return rows;
    };
    EXPECT_GT(litRows(kCalling), litRows(kTime));

    // Centred: a short text sits in the middle of its box.
    SetTexts("1", "", "", "");
    image = ClientImage();
    // (Right of the role letter, left of the buttons.)
    EXPECT_NEAR(LitCentreX(image, QRect(20, 7, 238, 30)), (7 + 261) / 2.0, 4.0);

    // A name wider than the box is clipped at both ends of it.
    SetTexts("", std::string(80, 'W'), "", "");
    image = ClientImage();
    EXPECT_GT(LitPixels(image, QRect(7, kName.top(), 4, kName.height())), 0);
    EXPECT_GT(LitPixels(image, QRect(250, kName.top(), 8, kName.height())), 0);
    EXPECT_EQ(LitPixels(image, QRect(0, kName.top(), 7, kName.height())), 0);
    EXPECT_EQ(LitPixels(image, QRect(0, 69, buttonsLeft, 91 - 69)), 0);

    // A copy that doesn't hold the log-owner role shows a red "S".
    g_bLogOwner.store(false);
    image = ClientImage();
    EXPECT_GT(CountColour(image, kLetter, Red), 5);
    EXPECT_EQ(CountColour(image, kLetter, Green), 0);

    // Windows-1252 bytes are shown as their characters.
    SetTexts("", "\xC9lise M\xFCller", "", "");
    image = ClientImage();
    EXPECT_GT(CountColour(image, kName, White), 20);
}

TEST_F(PaintTest, CaptionButtonsAndTemplate) {
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral("    Tintorel"));
    EXPECT_TRUE(m_dlg->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(m_dlg->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    const QPoint client = m_dlg->ClientRect().topLeft();
    const struct {
        int id;
        int y;
    } buttons[] = {{1006, 0}, {1016, 31}, {1015, 62}};
    for (const auto& b : buttons) {
        QWidget* button = m_dlg->Button(b.id);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->geometry(), QRect(client + QPoint(258, b.y), QSize(30, 29))) << b.id;
        EXPECT_EQ(button->focusPolicy(), Qt::ClickFocus);
    }
    // The caption shows the title on its coloured bar and the close box at its right end.
    const QImage whole = m_dlg->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect caption = m_dlg->CaptionRect();
    EXPECT_GT(qBlue(whole.pixel(caption.left() + 60, caption.top() + 2)), 100);
    EXPECT_TRUE(m_dlg->CloseBoxRect().right() <= caption.right());
    const QRect box = m_dlg->CloseBoxRect();
    EXPECT_GT(CountColour(whole, box, [](QRgb p) { return qGray(p) > 150; }),
              box.width() * box.height() / 2);
}

TEST_F(PaintTest, FieldFontsAreTheirPointSizesAt96Dpi) {
    // 20, 16 and 10 pt at 96 dpi are 26.67, 21.33 and 13.33 pixels: the nearest whole pixel.
    const struct {
        int tenths;
        int pixels;
    } sizes[] = {{200, 27}, {160, 21}, {100, 13}};
    const QRect box(0, 0, 320, 40);
    const QString text = QStringLiteral("0791234567 Martin");
    auto draw = [&](const std::function<void(QPainter&)>& paint) {
        QImage image(box.size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        paint(painter);
        painter.end();
        return image;
    };
    auto withPixels = [&](int pixels) {
        return draw([&](QPainter& painter) {
            QFont font(QStringLiteral("Arial"));
            font.setStyleHint(QFont::SansSerif);
            font.setPixelSize(pixels);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
        });
    };
    for (const auto& size : sizes) {
        const QImage field = draw([&](QPainter& painter) {
            DrawFieldText(text, painter, Qt::white, size.tenths, box,
                          Qt::AlignHCenter | Qt::AlignTop);
        });
        EXPECT_EQ(field, withPixels(size.pixels)) << size.tenths;
        EXPECT_NE(field, withPixels(size.pixels - 1)) << size.tenths;
    }
}
