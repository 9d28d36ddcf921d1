// No text cut off: in each language, every label, button and check box of every dialog shows
// its whole text in the room the template gives it (a word-wrapped label in its height), and
// every control lies inside its dialog.

#include "line/CallMonitorLine.h"
#include "line/CapiLine.h"
#include "line/LineSupervisor.h"
#include "line/MqttLine.h"
#include "resources/Resources.h"
#include "tests/support/TestEnv.h"
#include "tests/support/UiApplication.h"
#include "translations/Language.h"
#include "ui/AboutDlg.h"
#include "ui/CallListDlg.h"
#include "ui/LinesDlg.h"
#include "ui/PhonebookDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::string Describe(const QWidget* widget, const QString& text, QSize needed) {
    return QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6")
        .arg(widget->objectName(), text)
        .arg(needed.width())
        .arg(needed.height())
        .arg(widget->width())
        .arg(widget->height())
        .toStdString();
}

// A push button's text, with the margins the style draws around it; the style's minimum
// width for buttons (which sizeHint adds) is no part of the text.
QSize ButtonTextSize(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
    return QSize(text.width() + margin, text.height());
}

void ExpectTextsFit(QWidget* dialog) {
    const QRect inside(QPoint(0, 0), dialog->size());
    for (QWidget* widget : dialog->findChildren<QWidget*>()) {
        if (widget->isWindow())
            continue;
        // A hidden part (a table's corner button) takes no room; a hidden label's text is still
        // checked, as it shows when its time comes (the call monitor's hint).
        const bool near =
            widget->parentWidget() == dialog || widget->parentWidget()->parentWidget() == dialog;
        if (near && widget->isVisibleTo(dialog)) {
            EXPECT_TRUE(inside.contains(
                widget->geometry().translated(widget->parentWidget()->mapTo(dialog, QPoint(0, 0)))))
                << widget->objectName().toStdString() << " lies outside its dialog";
        }
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            if (label->text().isEmpty())
                continue;
            if (label->wordWrap()) {
                const int height = label->heightForWidth(label->width());
                EXPECT_LE(height, label->height())
                    << Describe(label, label->text(), QSize(label->width(), height));
            } else {
                EXPECT_LE(label->sizeHint().width(), label->width())
                    << Describe(label, label->text(), label->sizeHint());
            }
        } else if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
            if (button->text().isEmpty())
                continue;
            const QSize needed = ButtonTextSize(button);
            EXPECT_LE(needed.width(), button->width()) << Describe(button, button->text(), needed);
        } else if (qobject_cast<const QCheckBox*>(widget) ||
                   qobject_cast<const QRadioButton*>(widget)) {
            const auto* box = static_cast<const QAbstractButton*>(widget);
            EXPECT_LE(box->sizeHint().width(), box->width())
                << Describe(box, box->text(), box->sizeHint());
        } else if (const auto* header = qobject_cast<const QHeaderView*>(widget)) {
            // A list's column headings, each in its column.
            for (int i = 0; i < header->count(); ++i) {
                const QString text =
                    header->model()->headerData(i, header->orientation()).toString();
                const int needed = header->sectionSizeHint(i);
                EXPECT_LE(needed, header->sectionSize(i))
                    << Describe(header, text, QSize(needed, header->height())) << " column " << i
                    << " is " << header->sectionSize(i) << " wide";
            }
        } else if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
            // Its size hint makes room for its longest item.
            EXPECT_LE(combo->sizeHint().width(), combo->width())
                << Describe(combo, combo->currentText(), combo->sizeHint());
        }
    }
}

void ExpectDialogsFit(const char* language) {
    testing_support::TestEnv env;
    testing_support::BoxRecorder boxes;
    testing_support::EnsureApplication();
    InitTintorelResources();
    ASSERT_TRUE(translations::InstallLanguage(QString::fromLatin1(language)));
    line::LineSupervisor lines;
    lines.Add(std::make_unique<line::CallMonitorSource>());
    lines.Add(std::make_unique<line::MqttSource>());
    lines.Add(std::make_unique<line::CapiSource>());
    {
        SCOPED_TRACE("about");
        CAboutDlg dialog;
        ExpectTextsFit(&dialog);
    }
    {
        SCOPED_TRACE("lines");
        CLinesDlg dialog(lines);
        ExpectTextsFit(&dialog);
    }
    {
        SCOPED_TRACE("phonebook");
        CPhonebookDlg dialog;
        ExpectTextsFit(&dialog);
    }
    {
        SCOPED_TRACE("call list");
        CCallListDlg dialog;
        ExpectTextsFit(&dialog);
    }
    lines.Stop();
    translations::InstallLanguage(QStringLiteral("fr"));
}

} // namespace

TEST(TextFit, French) {
    ExpectDialogsFit("fr");
}

TEST(TextFit, German) {
    ExpectDialogsFit("de");
}

TEST(TextFit, English) {
    ExpectDialogsFit("en");
}
