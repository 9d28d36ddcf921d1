#include "ui/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

#include <mutex>

namespace ui {

namespace {

std::mutex g_mutex; // guards the answerer
FileDialogAnswerer g_answerer;
// The folder of the last file chosen, offered first for the rest of the run.
QString g_lastFolder;

QString StartFolder() {
    return g_lastFolder.isEmpty() ? QDir::homePath() : g_lastFolder;
}

// "vcf" for "Cartes de visite (*.vcf *.vcard)"; empty for "(*)".
QString FirstExtension(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([^\\s)*]+)"));
    return pattern.match(filter).captured(1);
}

FileDialogAnswer Ask(QWidget* owner, const FileDialogRequest& request) {
    FileDialogAnswerer answerer;
    {
        std::lock_guard lock(g_mutex);
        answerer = g_answerer;
    }
    if (answerer)
        return answerer(request);

    QFileDialog dialog(owner, request.caption);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.filters);
    if (request.save) {
        // Set inside the dialog too, so that its overwrite question is about the real name.
        dialog.setDefaultSuffix(FirstExtension(request.filters.value(0)));
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog](const QString& filter) { dialog.setDefaultSuffix(FirstExtension(filter)); });
        dialog.selectFile(request.proposed);
    } else {
        dialog.setDirectory(request.proposed);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().constFirst(), dialog.selectedNameFilter()};
}

void Remember(const QString& fileName) {
    if (!fileName.isEmpty())
        g_lastFolder = QFileInfo(fileName).absolutePath();
}

} // namespace

void SetFileDialogAnswerer(FileDialogAnswerer answerer) {
    std::lock_guard lock(g_mutex);
    g_answerer = std::move(answerer);
}

QString GetOpenFileName(QWidget* owner, const QString& caption, const QStringList& filters) {
    const QString fileName = Ask(owner, {false, caption, StartFolder(), filters}).fileName;
    Remember(fileName);
    return fileName;
}

QString GetSaveFileName(QWidget* owner, const QString& caption, const QString& suggestedName,
                        const QStringList& filters) {
    const FileDialogAnswer answer =
        Ask(owner, {true, caption, QDir(StartFolder()).filePath(suggestedName), filters});
    QString fileName = answer.fileName;
    if (!fileName.isEmpty() && QFileInfo(fileName).suffix().isEmpty()) {
        const QString extension = FirstExtension(answer.filter);
        if (!extension.isEmpty()) {
            if (fileName.endsWith(u'.'))
                fileName.chop(1);
            fileName += u'.' + extension;
        }
    }
    Remember(fileName);
    return fileName;
}

} // namespace ui
