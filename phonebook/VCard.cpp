#include "phonebook/VCard.h"

#include "phonebook/ImportText.h"
#include "platform/Cp1252.h"
#include "platform/LineSplitter.h"
#include "platform/TextArgs.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <QCoreApplication>

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return QByteArrayView(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QByteArrayView(b.data(), static_cast<qsizetype>(b.size())),
                        Qt::CaseInsensitive) == 0;
}

std::string_view Trim(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

std::string TooLong(std::size_t line) {
    //: Why a file can't be imported: %1 a line number, %2 a size in megabytes.
    return platform::FillIn(QCoreApplication::translate("VCard", "la ligne %1 dépasse %2 Mo"),
                            {std::to_string(line), std::to_string(kMaxImportLineBytes >> 20)});
}

// The physical lines of the text, numbered from 1.
class LineSource {
  public:
    explicit LineSource(std::string_view text) : m_lines(text) {}

    bool Next(std::string_view& line) {
        if (!m_lines.Next(line))
            return false;
        ++m_number;
        return true;
    }
    // The next line continues this one (it starts with a blank).
    bool NextIsFolded() const {
        const std::string_view rest = m_lines.Rest();
        return !rest.empty() && (rest[0] == ' ' || rest[0] == '\t');
    }
    std::size_t Number() const { return m_number; }
    std::size_t Position() const { return m_lines.Position(); }

  private:
    platform::LineSplitter m_lines;
    std::size_t m_number = 0;
};

struct Property {
    std::string_view name; // without its group ("item1.TEL" is TEL)
    std::string_view params;
    std::string_view value;
};

// NAME;PARAM=...;PARAM:value; a ":" inside a quoted parameter value does not end the head.
bool SplitProperty(std::string_view line, Property& property) {
    bool quoted = false;
    std::size_t colon = std::string_view::npos;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon == std::string_view::npos)
        return false;
    const std::string_view head = line.substr(0, colon);
    const std::size_t semicolon = head.find(';');
    std::string_view name = Trim(head.substr(0, semicolon));
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    property.name = name;
    property.params =
        semicolon == std::string_view::npos ? std::string_view() : head.substr(semicolon + 1);
    property.value = line.substr(colon + 1);
    return true;
}

struct Encoding {
    bool quotedPrintable = false;
    bool base64 = false;
    bool latin = false; // CHARSET names a Latin-1 family code page
};

Encoding ReadParams(std::string_view params) {
    Encoding encoding;
    while (!params.empty()) {
        const std::size_t semicolon = params.find(';');
        std::string_view param = Trim(params.substr(0, semicolon));
        params =
            semicolon == std::string_view::npos ? std::string_view() : params.substr(semicolon + 1);
        std::string_view key = param;
        std::string_view value = param; // 2.1 writes bare values: TEL;HOME;QUOTED-PRINTABLE
        if (const std::size_t equals = param.find('='); equals != std::string_view::npos) {
            key = Trim(param.substr(0, equals));
            value = Trim(param.substr(equals + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
        }
        if (EqualsNoCase(key, "CHARSET")) {
            for (std::string_view latin :
                 {"ISO-8859-1", "ISO-8859-15", "LATIN1", "WINDOWS-1252", "CP1252"})
                encoding.latin = encoding.latin || EqualsNoCase(value, latin);
        } else if (EqualsNoCase(value, "QUOTED-PRINTABLE")) {
            encoding.quotedPrintable = true;
        } else if (EqualsNoCase(key, "ENCODING") &&
                   (EqualsNoCase(value, "B") || EqualsNoCase(value, "BASE64"))) {
            encoding.base64 = true;
        }
    }
    return encoding;
}

bool IsQuotedPrintable(std::string_view line) {
    Property property;
    return SplitProperty(line, property) && ReadParams(property.params).quotedPrintable;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string DecodeQuotedPrintable(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else if (text[i] != '=' || i + 1 < text.size()) {
            bytes += text[i]; // a stray "=" stays; a last one was a soft line break
        }
    }
    return bytes;
}

QString DecodeValue(std::string_view raw, const Encoding& encoding) {
    std::string bytes;
    if (encoding.quotedPrintable) {
        bytes = DecodeQuotedPrintable(raw);
    } else if (encoding.base64) {
        bytes = QByteArray::fromBase64(QByteArray(raw.data(), static_cast<qsizetype>(raw.size())))
                    .toStdString();
    } else {
        bytes = raw;
    }
    return encoding.latin ? platform::FromCp1252(bytes) : DecodeImportText(bytes);
}

// The text escapes of 3.0 and 4.0: \\ \, \; \n (2.1 only knows \;, which reads the same).
QString Unescape(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            const QChar next = text[++i];
            out += (next == u'n' || next == u'N') ? QChar(u'\n') : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The components of a structured value (N, ORG), split at the ";" no backslash escapes.
std::vector<QString> Components(const QString& value) {
    std::vector<QString> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\') {
            ++i;
        } else if (value[i] == u';') {
            parts.push_back(Unescape(QStringView(value).mid(start, i - start)).trimmed());
            start = i + 1;
        }
    }
    parts.push_back(Unescape(QStringView(value).mid(start)).trimmed());
    return parts;
}

// N is family;given;additional;prefix;suffix; shown as people write it, given name first
// like the FN of other cards.
QString NameFromN(const QString& value) {
    const std::vector<QString> parts = Components(value);
    QStringList shown;
    for (std::size_t index : {3, 1, 2, 0, 4})
        if (index < parts.size() && !parts[index].isEmpty())
            shown << parts[index];
    return shown.join(u' ');
}

QString NumberFromTel(QString value) {
    // 4.0 may give a tel: URI, whose parameters (";ext=...") are no digits to dial.
    if (value.startsWith(u"tel:", Qt::CaseInsensitive)) {
        value.remove(0, 4);
        value.truncate(value.indexOf(u';') < 0 ? value.size() : value.indexOf(u';'));
    }
    return value.trimmed();
}

struct CardBuilder {
    ContactRecord record;
    QString fn;
    QString n;
    QString org;

    void Take(const Property& property) {
        const bool fnProperty = EqualsNoCase(property.name, "FN");
        const bool nProperty = EqualsNoCase(property.name, "N");
        const bool orgProperty = EqualsNoCase(property.name, "ORG");
        const bool telProperty = EqualsNoCase(property.name, "TEL");
        if (!(fnProperty || nProperty || orgProperty || telProperty))
            return;
        const QString value = DecodeValue(property.value, ReadParams(property.params));
        if (fnProperty && fn.isEmpty()) {
            fn = Unescape(value).trimmed();
        } else if (nProperty && n.isEmpty()) {
            n = NameFromN(value);
        } else if (orgProperty && org.isEmpty()) {
            org = Components(value).front();
        } else if (telProperty) {
            if (QString number = NumberFromTel(Unescape(value)); !number.isEmpty())
                record.numbers.push_back(std::move(number));
        }
    }

    ContactRecord Finish() {
        record.name = !fn.isEmpty() ? fn : !n.isEmpty() ? n : org;
        return std::exchange(record, {});
    }
};

std::string EscapeText(const QString& text) {
    std::string out;
    for (char c : text.toStdString()) {
        switch (c) {
        case '\\':
        case ',':
        case ';':
            out += '\\';
            out += c;
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Content lines are folded at 75 octets, never inside a UTF-8 sequence.
void AppendFolded(std::string& out, std::string_view line) {
    std::size_t limit = 75;
    while (line.size() > limit) {
        std::size_t cut = limit;
        while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = 74; // the continuation's leading blank counts
    }
    out.append(line);
    out += "\r\n";
}

} // namespace

ContactFile ReadVCard(std::string_view text, const ImportProgress& progress) {
    ContactFile file;
    LineSource lines(text);
    std::string_view physical;
    std::string logical;
    int depth = 0;
    std::size_t cards = 0;
    CardBuilder card;
    std::size_t items = 0; // records and numbers kept so far
    while (lines.Next(physical)) {
        if (progress.Tick(lines.Position(), text.size())) {
            file.error = ImportStopped();
            break;
        }
        const std::size_t number = lines.Number();
        if (physical.size() > kMaxImportLineBytes) {
            file.error = TooLong(number);
            return file;
        }
        logical.assign(physical);
        // Asked once: the head does not change as the value goes on.
        std::optional<bool> quotedPrintable;
        const auto isQuotedPrintable = [&] {
            if (!quotedPrintable)
                quotedPrintable = IsQuotedPrintable(logical);
            return *quotedPrintable;
        };
        for (;;) {
            if (lines.NextIsFolded()) {
                lines.Next(physical);
                logical.append(physical.substr(1));
            } else if (logical.ends_with('=') && isQuotedPrintable() && lines.Next(physical)) {
                // 2.1's soft line break: the value goes on, unindented, on the next line.
                logical.pop_back();
                logical.append(physical);
            } else {
                break;
            }
            if (logical.size() > kMaxImportLineBytes) {
                file.error = TooLong(number);
                return file;
            }
        }

        Property property;
        if (!SplitProperty(logical, property))
            continue;
        const std::string_view value = Trim(property.value);
        if (EqualsNoCase(property.name, "BEGIN") && EqualsNoCase(value, "VCARD")) {
            if (depth++ == 0) {
                card = CardBuilder();
                //: Where a contact stands in a vCard file: its card's number.
                card.record.place = platform::FillIn(
                    QCoreApplication::translate("VCard", "fiche %1"), {std::to_string(++cards)});
            }
        } else if (EqualsNoCase(property.name, "END") && EqualsNoCase(value, "VCARD")) {
            if (depth > 0 && --depth == 0) {
                items += 1 + card.record.numbers.size();
                file.records.push_back(card.Finish());
            }
        } else if (depth == 1) {
            card.Take(property);
        }
        if (items + card.record.numbers.size() > kMaxImportItems) {
            file.error = TooManyItems();
            break;
        }
    }
    if (file.error.empty() && depth > 0)
        file.error =
            platform::FillIn(QCoreApplication::translate(
                                 "VCard", "la fiche %1 n'est pas terminée (END:VCARD manquant)"),
                             {std::to_string(cards)});
    else if (file.error.empty() && cards == 0)
        file.error =
            QCoreApplication::translate("VCard", "aucune fiche vCard (BEGIN:VCARD) dans le fichier")
                .toStdString();
    if (!file.error.empty())
        file.records.clear();
    return file;
}

std::string WriteVCard(const std::vector<ExportEntry>& entries) {
    std::string out;
    for (std::size_t i = 0; i < entries.size();) {
        out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
        AppendFolded(out, "FN:" + EscapeText(entries[i].name));
        std::size_t j = i;
        for (; j < entries.size() && entries[j].name == entries[i].name; ++j)
            AppendFolded(out, "TEL:" + EscapeText(platform::FromCp1252(entries[j].number)));
        out += "END:VCARD\r\n";
        i = j;
    }
    return out;
}
