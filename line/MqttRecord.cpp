#include "line/MqttRecord.h"

#include "capi/NumberText.h"
#include "platform/Cp1252.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <algorithm>

namespace line {

namespace {

// A JSON string literal, quotes included, escaped the way Qt writes JSON.
std::string Quoted(const std::string& text) {
    const QByteArray array =
        QJsonDocument(QJsonArray{QString::fromStdString(text)}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2).toStdString();
}

bool HasControl(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F);
    });
}

// Windows-1252, each character without a form there as "?".
std::string NameInCp1252(const QString& text) {
    if (const auto whole = platform::ToCp1252(text))
        return *whole;
    std::string name;
    for (const QChar c : text)
        name += platform::ToCp1252(QString(c)).value_or("?");
    return name;
}

} // namespace

std::string CallRecordJson(const CallRecord& record) {
    std::string json = "{\"id\": " + Quoted(record.id) + ", \"origin\": " + Quoted(record.origin) +
                       ", \"time\": " + Quoted(record.time) +
                       ", \"calling\": " + Quoted(record.calling) +
                       ", \"called\": " + Quoted(record.called);
    if (!record.name.empty())
        json += ", \"name\": " + Quoted(record.name);
    json += ", \"line\": " + Quoted(record.line) + ", \"event_type\": \"ring\"";
    if (!record.calledLabel.empty())
        json += ", \"called_label\": " + Quoted(record.calledLabel);
    json += "}";
    return json;
}

std::optional<CallRecord> ReadCallRecord(std::string_view payload) {
    if (payload.size() > kMaxCallRecordBytes)
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(payload.data(), static_cast<qsizetype>(payload.size())), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    CallRecord record;
    const std::pair<const char*, std::string*> fields[] = {
        {"id", &record.id},         {"origin", &record.origin},
        {"time", &record.time},     {"calling", &record.calling},
        {"called", &record.called}, {"name", &record.name},
        {"line", &record.line},     {"called_label", &record.calledLabel},
    };
    for (const auto& [key, text] : fields) {
        const auto found = object.find(QLatin1String(key));
        if (found == object.end())
            continue;
        if (!found->isString() || HasControl(found->toString()))
            return std::nullopt;
        *text = found->toString().toStdString();
    }
    if (!object.contains(QLatin1String("calling")) || !object.contains(QLatin1String("called")))
        return std::nullopt;
    if (const auto type = object.find(QLatin1String("event_type")); type != object.end()) {
        if (!type->isString() || type->toString() != QLatin1String("ring"))
            return std::nullopt;
    }
    return record;
}

CallRecord RecordOfCall(const IncomingCall& call, const std::string& origin,
                        const std::string& phonebookName, const std::string& calledLabel) {
    CallRecord record;
    record.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    record.origin = origin;
    const QDateTime now = QDateTime::currentDateTime();
    record.time = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate).toStdString();
    record.calling = platform::FromCp1252(call.calling).toStdString();
    record.called = platform::FromCp1252(call.called).toStdString();
    record.name = platform::FromCp1252(phonebookName).toStdString();
    record.line = SourceName(call.source);
    record.calledLabel = calledLabel;
    return record;
}

std::optional<IncomingCall> CallOfRecord(const CallRecord& record) {
    const auto calling = platform::ToCp1252(QString::fromStdString(record.calling));
    const auto called = platform::ToCp1252(QString::fromStdString(record.called));
    if (!calling || !called)
        return std::nullopt;
    IncomingCall call;
    call.calling = capi::CleanNumber(*calling);
    call.called = capi::CleanNumber(*called);
    call.source = Source::Mqtt;
    call.name = NameInCp1252(QString::fromStdString(record.name));
    call.origin = record.origin;
    return call;
}

std::string CallTopic(const std::string& prefix) {
    return prefix + "/call";
}

std::string StatusTopic(const std::string& prefix, const std::string& clientId) {
    return prefix + "/status/" + clientId;
}

std::string DiscoveryTopic(const std::string& clientId) {
    return "homeassistant/event/" + clientId + "/call/config";
}

std::string DiscoveryConfigJson(const std::string& prefix, const std::string& clientId) {
    const QString id = QString::fromStdString(clientId);
    const QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{id}},
        {QStringLiteral("name"), QStringLiteral("Tintorel %1").arg(id.section(u'-', 1))},
        {QStringLiteral("manufacturer"), QStringLiteral("Tintorel")},
        {QStringLiteral("model"), QStringLiteral("Tintorel")},
    };
    const QJsonObject config{
        {QStringLiteral("name"), QStringLiteral("Appels")},
        {QStringLiteral("unique_id"), id + QStringLiteral("_call")},
        {QStringLiteral("state_topic"), QString::fromStdString(CallTopic(prefix))},
        {QStringLiteral("event_types"), QJsonArray{QStringLiteral("ring")}},
        {QStringLiteral("availability_topic"),
         QString::fromStdString(StatusTopic(prefix, clientId))},
        {QStringLiteral("payload_available"), QStringLiteral("online")},
        {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
        {QStringLiteral("icon"), QStringLiteral("mdi:phone-incoming")},
        {QStringLiteral("device"), device},
    };
    return QJsonDocument(config).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace line
