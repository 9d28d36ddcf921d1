#pragma once
// Asking the user for a file to read or to write, with French filters such as
// "Cartes de visite (*.vcf *.vcard)". Tests install an answerer that answers instead of a
// person, as the message box has its recorder.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace ui {

struct FileDialogRequest {
    bool save = false;   // a file to write (else one to read)
    QString caption;     // the dialog's title
    QString proposed;    // the folder, and for a file to write the name, offered first
    QStringList filters; // the first one is chosen at first
};

struct FileDialogAnswer {
    QString fileName; // empty: cancelled
    QString filter;   // the filter chosen when the file was given
};

// Test hook: when set, it answers every file dialog. Empty removes it.
using FileDialogAnswerer = std::function<FileDialogAnswer(const FileDialogRequest&)>;
void SetFileDialogAnswerer(FileDialogAnswerer answerer);

// The file to read; empty when the user cancelled.
QString GetOpenFileName(QWidget* owner, const QString& caption, const QStringList& filters);

// The file to write, the dialog offering suggestedName; a name given without extension takes
// the first one of the chosen filter. Empty when the user cancelled.
QString GetSaveFileName(QWidget* owner, const QString& caption, const QString& suggestedName,
                        const QStringList& filters);

} // namespace ui
