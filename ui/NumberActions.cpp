#include "ui/NumberActions.h"

#include "line/CallNumbers.h"
#include "platform/Cp1252.h"
#include "settings/NumberLists.h"
#include "ui/MessageBox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QCoreApplication>

#include <algorithm>

namespace ui {

bool IsCallerNumber(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void CopyNumber(const std::string& number) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = platform::FromCp1252(number);
    clipboard->setText(text);
    // Middle-click pasting takes the selection.
    if (clipboard->supportsSelection())
        clipboard->setText(text, QClipboard::Selection);
}

QAction* AddCopyNumberAction(QMenu* menu, const std::string& number) {
    QAction* copy =
        menu->addAction(QCoreApplication::translate("NumberActions", "Copier le numéro"));
    copy->setEnabled(IsCallerNumber(number));
    QObject::connect(copy, &QAction::triggered, menu, [number] { CopyNumber(number); });
    return copy;
}

QAction* AddIgnoreNumberAction(QMenu* menu, const std::string& number, QWidget* owner) {
    const line::IgnoredCallers ignored = line::IgnoredCallers::Stored();
    const std::vector<std::string> entries = ignored.EntriesFor(number);
    if (!entries.empty()) {
        QAction* stop = menu->addAction(
            QCoreApplication::translate("NumberActions", "Ne plus ignorer ce numéro"));
        QObject::connect(stop, &QAction::triggered, menu, [entries, owner] {
            // Every way it was written goes, or the caller would stay ignored.
            bool written = true;
            for (const std::string& entry : entries)
                written = settings::RemoveIgnoredNumber(entry) && written;
            if (!written)
                TellSettingsNotWritten(owner);
        });
        return stop;
    }
    QAction* ignore =
        menu->addAction(QCoreApplication::translate("NumberActions", "Ignorer ce numéro"));
    ignore->setEnabled(ReadsAsPhoneNumber(platform::FromCp1252(number)) &&
                       !ignored.Ignores(number, NumberKind::AsWritten));
    QObject::connect(ignore, &QAction::triggered, menu, [number, owner] {
        if (!settings::AddIgnoredNumber(number))
            TellSettingsNotWritten(owner);
    });
    return ignore;
}

void TellNotANumber(QWidget* owner) {
    ShowMessageBox(QCoreApplication::translate(
                       "NumberActions", "Ce numéro contient des caractères qui ne font pas partie "
                                        "d'un numéro de téléphone. Il n'a pas été enregistré."),
                   {}, MsgIcon::Error, MsgButtons::Ok, owner);
}

void TellSettingsNotWritten(QWidget* owner) {
    ShowMessageBox(
        QCoreApplication::translate("NumberActions", "Erreur lors de l'écriture des paramètres !!"),
        {}, MsgIcon::Error, MsgButtons::Ok, owner);
}

} // namespace ui
