#include "pages/send/sequences.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>

#include <array>
#include <cmath>
#include <optional>

#include "pages/common/app_settings.h"
#include "pages/common/json_names.h"
#include "pages/common/list_file.h"

namespace quillet::pages {
namespace {

constexpr std::array<const char*, 4> kKinds = {"send", "wait", "expect", "repeat"};
constexpr std::array<const char*, 3> kMatches = {"contains", "regex", "hex"};
constexpr std::array<const char*, 3> kForms = {"text", "hex", "escapes"};
constexpr std::array<const char*, 4> kEndings = {"lf", "crlf", "cr", "none"};

// A whole number in [lowest, highest], or nullopt.
std::optional<int> IntIn(const QJsonValue& value, int lowest, int highest) {
    if (!value.isDouble())
        return std::nullopt;
    // Range first: a huge number must never reach an integer cast.
    const double d = value.toDouble();
    if (!(d >= lowest && d <= highest) || d != std::floor(d))
        return std::nullopt;
    return static_cast<int>(d);
}

QString TextFaultOf(const QString& text, SendForm form) {
    const std::u16string wide = text.toStdU16String();
    std::optional<enc::TextFault> fault;
    if (form == SendForm::kHex)
        fault = enc::ReadHexPairs(wide).fault;
    else if (form == SendForm::kEscapes)
        fault = enc::ReadEscapes(wide, [](std::u16string_view) { return enc::ReadBytes{}; }).fault;
    return fault ? FaultPlace(wide, *fault) : QString();
}

std::variant<SequenceStep, QString> SendStep(const QJsonObject& o, SequenceStep step) {
    if (o.contains(QLatin1String("saved"))) {
        if (!o.value(QLatin1String("saved")).isString() ||
            o.value(QLatin1String("saved")).toString().isEmpty())
            return QCoreApplication::translate("quillet::pages::Sequences",
                                               "saved 须为常用消息的名称");
        step.saved = o.value(QLatin1String("saved")).toString();
        return step;
    }
    const auto form = IndexOf(kForms, o.value(QLatin1String("form")));
    if (!form)
        return QCoreApplication::translate("quillet::pages::Sequences",
                                           "form 须为 text、hex 或 escapes");
    step.form = static_cast<SendForm>(*form);
    if (!o.value(QLatin1String("text")).isString())
        return QCoreApplication::translate("quillet::pages::Sequences", "text 须为文本");
    step.text = o.value(QLatin1String("text")).toString();
    const auto ending = IndexOf(kEndings, o.value(QLatin1String("lineEnding")));
    if (!ending)
        return QCoreApplication::translate("quillet::pages::Sequences",
                                           "lineEnding 须为 lf、crlf、cr 或 none");
    step.lineEnding = static_cast<LineEnding>(*ending);
    return step;
}

std::variant<SequenceStep, QString> StepOf(const QJsonValue& value, int index) {
    if (!value.isObject())
        return QCoreApplication::translate("quillet::pages::Sequences", "不是对象");
    const QJsonObject o = value.toObject();
    SequenceStep step;
    const auto kind = IndexOf(kKinds, o.value(QLatin1String("kind")));
    if (!kind)
        return QCoreApplication::translate("quillet::pages::Sequences",
                                           "kind 须为 send、wait、expect 或 repeat");
    step.kind = static_cast<StepKind>(*kind);
    if (step.kind == StepKind::kSend) {
        auto send = SendStep(o, step);
        if (auto* why = std::get_if<QString>(&send))
            return *why;
        step = std::get<SequenceStep>(std::move(send));
    }
    if (step.kind == StepKind::kWait || step.kind == StepKind::kExpect) {
        const auto ms =
            IntIn(o.value(QLatin1String("ms")), step.kind == StepKind::kWait ? 0 : 1, kMaxStepMs);
        if (!ms)
            return QCoreApplication::translate("quillet::pages::Sequences",
                                               "ms 须为 0 到 86400000 之间的整数");
        step.ms = *ms;
    }
    if (step.kind == StepKind::kExpect) {
        const auto match = IndexOf(kMatches, o.value(QLatin1String("match")));
        if (!match)
            return QCoreApplication::translate("quillet::pages::Sequences",
                                               "match 须为 contains、regex 或 hex");
        step.match = static_cast<MatchKind>(*match);
        step.pattern = o.value(QLatin1String("pattern")).toString();
    }
    if (step.kind == StepKind::kRepeat) {
        const auto from = IntIn(o.value(QLatin1String("from")), 1, index + 1);
        const auto count = IntIn(o.value(QLatin1String("count")), 0, kMaxRepeatCount);
        if (!from || !count)
            return QCoreApplication::translate("quillet::pages::Sequences",
                                               "from 须为此步之前的一步，count 须为 0 或正整数");
        step.from = *from;
        step.count = *count;
    }
    if (QString why = StepFault(step, index); !why.isEmpty())
        return why;
    return step;
}

std::variant<Sequence, QString> SequenceOf(const QJsonValue& value, QString* where) {
    if (!value.isObject())
        return QCoreApplication::translate("quillet::pages::Sequences", "不是对象");
    const QJsonObject o = value.toObject();
    Sequence sequence;
    sequence.name = o.value(QLatin1String("name")).toString();
    if (sequence.name.isEmpty())
        return QCoreApplication::translate("quillet::pages::Sequences", "name 须为非空的文本");
    const QJsonValue steps = o.value(QLatin1String("steps"));
    if (!steps.isArray() || steps.toArray().size() > kMaxSteps)
        return QCoreApplication::translate("quillet::pages::Sequences",
                                           "steps 须为不多于 100000 步的列表");
    const QJsonArray list = steps.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        auto step = StepOf(list[i], static_cast<int>(i));
        if (auto* why = std::get_if<QString>(&step)) {
            *where =
                QCoreApplication::translate("quillet::pages::Sequences", "第 %1 步").arg(i + 1);
            return *why;
        }
        sequence.steps.push_back(std::get<SequenceStep>(std::move(step)));
    }
    return sequence;
}

QJsonObject StepToJson(const SequenceStep& step) {
    QJsonObject o{{QStringLiteral("kind"), NameOf(kKinds, static_cast<int>(step.kind))}};
    switch (step.kind) {
        case StepKind::kSend:
            if (!step.saved.isEmpty()) {
                o.insert(QStringLiteral("saved"), step.saved);
                break;
            }
            o.insert(QStringLiteral("form"), NameOf(kForms, static_cast<int>(step.form)));
            o.insert(QStringLiteral("text"), step.text);
            o.insert(QStringLiteral("lineEnding"),
                     NameOf(kEndings, static_cast<int>(step.lineEnding)));
            break;
        case StepKind::kWait:
            o.insert(QStringLiteral("ms"), step.ms);
            break;
        case StepKind::kExpect:
            o.insert(QStringLiteral("match"), NameOf(kMatches, static_cast<int>(step.match)));
            o.insert(QStringLiteral("pattern"), step.pattern);
            o.insert(QStringLiteral("ms"), step.ms);
            break;
        case StepKind::kRepeat:
            o.insert(QStringLiteral("from"), step.from);
            o.insert(QStringLiteral("count"), step.count);
            break;
    }
    return o;
}

QString SettingsKey(const QString& page) {
    return QStringLiteral("send/sequences/%1").arg(page);
}

}  // namespace

QString StepFault(const SequenceStep& step, int index) {
    switch (step.kind) {
        case StepKind::kSend:
            if (!step.saved.isEmpty())
                return {};
            if (step.text.isEmpty())
                return QCoreApplication::translate("quillet::pages::Sequences", "要发送的内容为空");
            return TextFaultOf(step.text, step.form);
        case StepKind::kWait:
            return step.ms < 0 || step.ms > kMaxStepMs
                       ? QCoreApplication::translate("quillet::pages::Sequences",
                                                     "等待时间超出范围")
                       : QString();
        case StepKind::kExpect:
            if (step.ms < 1 || step.ms > kMaxStepMs)
                return QCoreApplication::translate("quillet::pages::Sequences", "等待时间超出范围");
            if (step.pattern.isEmpty())
                return QCoreApplication::translate("quillet::pages::Sequences", "要等待的内容为空");
            if (step.match == MatchKind::kRegex) {
                const QRegularExpression re(step.pattern);
                if (!re.isValid())
                    return QCoreApplication::translate("quillet::pages::Sequences",
                                                       "正则表达式无效：%1")
                        .arg(re.errorString());
            }
            return step.match == MatchKind::kHex ? TextFaultOf(step.pattern, SendForm::kHex)
                                                 : QString();
        case StepKind::kRepeat:
            if (step.from < 1 || step.from > index)
                return QCoreApplication::translate("quillet::pages::Sequences",
                                                   "重复的起始步须在此步之前");
            return step.count < 0 || step.count > kMaxRepeatCount
                       ? QCoreApplication::translate("quillet::pages::Sequences",
                                                     "重复次数超出范围")
                       : QString();
    }
    return {};
}

QString DescribeStep(const SequenceStep& step) {
    auto shown = [](QString text) {
        text.replace(QLatin1Char('\n'), QChar(0x21B5));
        return text.size() > 60 ? text.left(60) + QStringLiteral("…") : text;
    };
    switch (step.kind) {
        case StepKind::kSend:
            if (!step.saved.isEmpty())
                return QCoreApplication::translate("quillet::pages::Sequences", "发送常用消息“%1”")
                    .arg(shown(step.saved));
            return (step.form == SendForm::kHex
                        ? QCoreApplication::translate("quillet::pages::Sequences",
                                                      "发送十六进制 %1")
                    : step.form == SendForm::kEscapes
                        ? QCoreApplication::translate("quillet::pages::Sequences",
                                                      "发送（转义字符）“%1”")
                        : QCoreApplication::translate("quillet::pages::Sequences", "发送“%1”"))
                .arg(shown(step.text));
        case StepKind::kWait:
            return QCoreApplication::translate("quillet::pages::Sequences", "等待 %1 毫秒")
                .arg(step.ms);
        case StepKind::kExpect:
            return (step.match == MatchKind::kHex
                        ? QCoreApplication::translate("quillet::pages::Sequences",
                                                      "%1 毫秒内等待收到十六进制 %2")
                    : step.match == MatchKind::kRegex
                        ? QCoreApplication::translate("quillet::pages::Sequences",
                                                      "%1 毫秒内等待收到匹配 /%2/ 的数据")
                        : QCoreApplication::translate("quillet::pages::Sequences",
                                                      "%1 毫秒内等待收到含“%2”的数据"))
                .arg(step.ms)
                .arg(shown(step.pattern));
        case StepKind::kRepeat:
            return step.count == 0 ? QCoreApplication::translate("quillet::pages::Sequences",
                                                                 "从第 %1 步起重复，直到停止")
                                         .arg(step.from)
                                   : QCoreApplication::translate("quillet::pages::Sequences",
                                                                 "从第 %1 步起重复，共 %2 遍")
                                         .arg(step.from)
                                         .arg(step.count);
    }
    return {};
}

QJsonValue SequencesToJson(const Sequences& sequences) {
    QJsonArray list;
    for (const Sequence& sequence : sequences) {
        QJsonArray steps;
        for (const SequenceStep& step : sequence.steps)
            steps.append(StepToJson(step));
        list.append(
            QJsonObject{{QStringLiteral("name"), sequence.name}, {QStringLiteral("steps"), steps}});
    }
    return QJsonObject{{QStringLiteral("version"), kSequencesVersion},
                       {QStringLiteral("sequences"), list}};
}

std::variant<Sequences, SequenceFault> SequencesFromJson(const QJsonValue& value) {
    if (!value.isObject())
        return SequenceFault{
            QCoreApplication::translate("quillet::pages::Sequences", "不是 JSON 对象")};
    const QJsonObject document = value.toObject();
    const QJsonValue version = document.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() != kSequencesVersion)
        return SequenceFault{
            QCoreApplication::translate("quillet::pages::Sequences", "版本未知（只认得版本 %1）")
                .arg(kSequencesVersion)};
    const QJsonValue list = document.value(QLatin1String("sequences"));
    if (!list.isArray())
        return SequenceFault{
            QCoreApplication::translate("quillet::pages::Sequences", "没有 sequences 列表")};
    const QJsonArray entries = list.toArray();
    if (entries.size() > kMaxSequences)
        return SequenceFault{
            QCoreApplication::translate("quillet::pages::Sequences", "序列多于 %1 个")
                .arg(kMaxSequences)};
    Sequences sequences;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QString where;
        auto entry = SequenceOf(entries[i], &where);
        if (auto* why = std::get_if<QString>(&entry)) {
            const QString name = entries[i].toObject().value(QLatin1String("name")).toString();
            QString place =
                name.isEmpty()
                    ? QCoreApplication::translate("quillet::pages::Sequences", "第 %1 个序列")
                          .arg(i + 1)
                    : QCoreApplication::translate("quillet::pages::Sequences", "第 %1 个序列（%2）")
                          .arg(i + 1)
                          .arg(name);
            if (!where.isEmpty())
                place += QLatin1Char(' ') + where;
            return SequenceFault{QCoreApplication::translate("quillet::pages::Sequences", "%1：%2")
                                     .arg(place, *why)};
        }
        sequences.push_back(std::get<Sequence>(std::move(entry)));
    }
    return sequences;
}

QByteArray SequencesToBytes(const Sequences& sequences) {
    return QJsonDocument(SequencesToJson(sequences).toObject()).toJson(QJsonDocument::Indented);
}

std::variant<Sequences, SequenceFault> SequencesFromBytes(const QByteArray& bytes) {
    auto document = ParseListDocument(bytes);
    if (auto* why = std::get_if<QString>(&document))
        return SequenceFault{*why};
    return SequencesFromJson(std::get<QJsonObject>(document));
}

Sequences LoadSequences(const QString& page) {
    const QByteArray stored = settings::Value(SettingsKey(page)).toString().toUtf8();
    if (stored.isEmpty())
        return {};
    auto read = SequencesFromBytes(stored);
    if (auto* sequences = std::get_if<Sequences>(&read))
        return std::move(*sequences);
    return {};
}

void StoreSequences(const QString& page, const Sequences& sequences) {
    settings::SetValue(
        SettingsKey(page),
        QString::fromUtf8(
            QJsonDocument(SequencesToJson(sequences).toObject()).toJson(QJsonDocument::Compact)));
}

}  // namespace quillet::pages
