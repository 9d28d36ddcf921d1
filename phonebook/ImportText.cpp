#include "phonebook/ImportText.h"

#include "platform/Cp1252.h"
#include "platform/TextArgs.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <QCoreApplication>

#include <cstring>

std::string PrepareImportText(std::string& bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.erase(0, 3);
    } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        QStringDecoder decoder(bytes[0] == '\xFF' ? QStringDecoder::Utf16LE
                                                  : QStringDecoder::Utf16BE,
                               QStringDecoder::Flag::Stateless);
        const QString text =
            decoder(QByteArrayView(bytes.data() + 2, static_cast<qsizetype>(bytes.size() - 2)));
        if (decoder.hasError() || !text.isValidUtf16())
            return QCoreApplication::translate("ImportText",
                                               "le fichier n'est pas un texte UTF-16 valable")
                .toStdString();
        bytes = text.toStdString();
    }
    // No text file holds a NUL byte; an image or an archive almost always does.
    if (std::memchr(bytes.data(), '\0', bytes.size()))
        return QCoreApplication::translate("ImportText", "le fichier contient des données binaires")
            .toStdString();
    return {};
}

std::string TooManyItems() {
    return platform::FillIn(
        QCoreApplication::translate("ImportText", "plus de %1 contacts et numéros dans le fichier"),
        {std::to_string(kMaxImportItems)});
}

QString DecodeImportText(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError())
        return text;
    return platform::FromCp1252(bytes);
}
