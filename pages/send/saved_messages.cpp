#include "pages/send/saved_messages.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <array>
#include <optional>

#include "pages/common/app_settings.h"
#include "pages/common/json_names.h"
#include "pages/common/list_file.h"

namespace quillet::pages {
namespace {

constexpr std::array<const char*, 3> kForms = {"text", "hex", "escapes"};
constexpr std::array<const char*, 4> kEndings = {"lf", "crlf", "cr", "none"};

// Empty when `message` can be sent as it stands, else why not.
QString Unsendable(const SavedMessage& message) {
    const std::u16string text = message.text.toStdU16String();
    std::optional<enc::TextFault> fault;
    if (message.form == SendForm::kHex)
        fault = enc::ReadHexPairs(text).fault;
    else if (message.form == SendForm::kEscapes)
        fault = enc::ReadEscapes(text, [](std::u16string_view) { return enc::ReadBytes{}; }).fault;
    return fault ? FaultPlace(text, *fault) : QString();
}

std::variant<SavedMessage, QString> Entry(const QJsonValue& value) {
    if (!value.isObject())
        return QCoreApplication::translate("quillet::pages::SavedMessages", "不是对象");
    const QJsonObject o = value.toObject();
    SavedMessage m;
    if (!o.value(QLatin1String("name")).isString() ||
        o.value(QLatin1String("name")).toString().isEmpty())
        return QCoreApplication::translate("quillet::pages::SavedMessages", "name 须为非空的文本");
    m.name = o.value(QLatin1String("name")).toString();
    const auto form = IndexOf(kForms, o.value(QLatin1String("form")));
    if (!form)
        return QCoreApplication::translate("quillet::pages::SavedMessages",
                                           "form 须为 text、hex 或 escapes");
    m.form = static_cast<SendForm>(*form);
    if (!o.value(QLatin1String("text")).isString() ||
        o.value(QLatin1String("text")).toString().isEmpty())
        return QCoreApplication::translate("quillet::pages::SavedMessages", "text 须为非空的文本");
    m.text = o.value(QLatin1String("text")).toString();
    const auto ending = IndexOf(kEndings, o.value(QLatin1String("lineEnding")));
    if (!ending)
        return QCoreApplication::translate("quillet::pages::SavedMessages",
                                           "lineEnding 须为 lf、crlf、cr 或 none");
    m.lineEnding = static_cast<LineEnding>(*ending);
    if (QString why = Unsendable(m); !why.isEmpty())
        return why;
    return m;
}

QString SettingsKey(const QString& page) {
    return QStringLiteral("send/saved/%1").arg(page);
}

}  // namespace

QJsonObject SavedToJson(const SavedMessages& messages) {
    QJsonArray list;
    for (const SavedMessage& m : messages) {
        list.append(QJsonObject{
            {QStringLiteral("name"), m.name},
            {QStringLiteral("form"), QLatin1String(kForms[static_cast<size_t>(m.form)])},
            {QStringLiteral("text"), m.text},
            {QStringLiteral("lineEnding"),
             QLatin1String(kEndings[static_cast<size_t>(m.lineEnding)])},
        });
    }
    return {{QStringLiteral("version"), kSavedMessagesVersion}, {QStringLiteral("messages"), list}};
}

QByteArray SavedToBytes(const SavedMessages& messages) {
    return QJsonDocument(SavedToJson(messages)).toJson(QJsonDocument::Indented);
}

std::variant<SavedMessages, SavedFault> SavedFromJson(const QJsonObject& document) {
    const QJsonValue version = document.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() != kSavedMessagesVersion)
        return SavedFault{QCoreApplication::translate("quillet::pages::SavedMessages",
                                                      "版本未知（只认得版本 %1）")
                              .arg(kSavedMessagesVersion)};
    const QJsonValue list = document.value(QLatin1String("messages"));
    if (!list.isArray())
        return SavedFault{
            QCoreApplication::translate("quillet::pages::SavedMessages", "没有 messages 列表")};
    const QJsonArray entries = list.toArray();
    if (entries.size() > kMaxSavedMessages)
        return SavedFault{
            QCoreApplication::translate("quillet::pages::SavedMessages", "消息多于 %1 条")
                .arg(kMaxSavedMessages)};
    SavedMessages messages;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        auto entry = Entry(entries[i]);
        if (auto* why = std::get_if<QString>(&entry)) {
            const QString name = entries[i].toObject().value(QLatin1String("name")).toString();
            return SavedFault{name.isEmpty()
                                  ? QCoreApplication::translate("quillet::pages::SavedMessages",
                                                                "第 %1 条消息：%2")
                                        .arg(i + 1)
                                        .arg(*why)
                                  : QCoreApplication::translate("quillet::pages::SavedMessages",
                                                                "第 %1 条消息（%2）：%3")
                                        .arg(i + 1)
                                        .arg(name, *why)};
        }
        messages.push_back(std::get<SavedMessage>(std::move(entry)));
    }
    return messages;
}

std::variant<SavedMessages, SavedFault> SavedFromBytes(const QByteArray& bytes) {
    auto document = ParseListDocument(bytes);
    if (auto* why = std::get_if<QString>(&document))
        return SavedFault{*why};
    return SavedFromJson(std::get<QJsonObject>(document));
}

SavedMessages LoadSaved(const QString& page) {
    const QByteArray stored = settings::Value(SettingsKey(page)).toString().toUtf8();
    if (stored.isEmpty())
        return {};
    auto read = SavedFromBytes(stored);
    if (auto* messages = std::get_if<SavedMessages>(&read))
        return std::move(*messages);
    return {};
}

void StoreSaved(const QString& page, const SavedMessages& messages) {
    settings::SetValue(
        SettingsKey(page),
        QString::fromUtf8(QJsonDocument(SavedToJson(messages)).toJson(QJsonDocument::Compact)));
}

}  // namespace quillet::pages
