#include "phonebook/TransferFile.h"

#include "phonebook/ImportText.h"
#include "platform/TextArgs.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QCoreApplication>

#include <algorithm>

namespace {

QString FileName(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

std::string ReadImportFile(const std::string& path, std::string& bytes,
                           const ImportProgress& progress) {
    const auto cannot = [&](const QString& why) {
        //: %1 is a file's path, %2 why it can't be read.
        return platform::FillIn(
            QCoreApplication::translate("TransferFile", "Impossible de lire « %1 » : %2."),
            {path, why.toStdString()});
    };
    const QString name = FileName(path);
    if (QFileInfo(name).isDir())
        return cannot(QCoreApplication::translate("TransferFile", "c'est un dossier"));
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return cannot(file.errorString());
    bytes.clear();
    bytes.reserve(
        static_cast<std::size_t>(std::clamp<qint64>(file.size(), 0, kMaxImportFileBytes)) + 1);
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    for (;;) {
        const std::size_t have = bytes.size();
        bytes.resize(have + kChunk);
        const qint64 got = file.read(bytes.data() + have, kChunk);
        bytes.resize(have + static_cast<std::size_t>(std::max<qint64>(got, 0)));
        if (got < 0)
            return cannot(file.errorString());
        if (got == 0)
            return {};
        if (progress.Tick(bytes.size(), static_cast<std::size_t>(std::max<qint64>(file.size(), 1))))
            return ImportStopped();
        if (bytes.size() > kMaxImportFileBytes)
            //: %1 is a file's path, %2 a size in megabytes.
            return platform::FillIn(
                QCoreApplication::translate(
                    "TransferFile", "Impossible d'importer « %1 » : le fichier dépasse %2 Mo."),
                {path, std::to_string(kMaxImportFileBytes >> 20)});
    }
}

std::string WriteExportFile(const std::string& path, std::string_view bytes) {
    QSaveFile file(FileName(path));
    if (file.open(QIODevice::WriteOnly) &&
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
            static_cast<qint64>(bytes.size()) &&
        file.commit())
        return {};
    //: %1 is a file's path, %2 why it can't be written.
    return platform::FillIn(
        QCoreApplication::translate("TransferFile", "Impossible d'écrire « %1 » : %2."),
        {path, file.errorString().toStdString()});
}
