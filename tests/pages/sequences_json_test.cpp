// The sequences' JSON document: every kind of step comes back as it went out, and a damaged
// document gives nothing, with a reason that names the first bad entry.
#include <gtest/gtest.h>

#include <QJsonDocument>

#include "pages/send/sequences.h"

namespace quillet::pages {
namespace {

TEST(SequencesJson, EveryKindOfStepComesBackAsItWentOut) {
    SequenceStep text;
    text.text = QStringLiteral("温度?\n");
    text.lineEnding = LineEnding::kCrLf;
    SequenceStep hex = text;
    hex.form = SendForm::kHex;
    hex.text = QStringLiteral("01 ff");
    SequenceStep saved;
    saved.saved = QStringLiteral("问候");
    SequenceStep wait;
    wait.kind = StepKind::kWait;
    wait.ms = 0;
    SequenceStep expect;
    expect.kind = StepKind::kExpect;
    expect.match = MatchKind::kRegex;
    expect.pattern = QStringLiteral("^OK \\d+");
    expect.ms = kMaxStepMs;
    SequenceStep repeat;
    repeat.kind = StepKind::kRepeat;
    repeat.from = 2;
    repeat.count = 0;
    const Sequences all = {{QStringLiteral("a"), {text, hex, saved, wait, expect, repeat}},
                           {QStringLiteral("空"), {}}};
    auto back = SequencesFromBytes(SequencesToBytes(all));
    ASSERT_TRUE(std::holds_alternative<Sequences>(back));
    EXPECT_EQ(std::get<Sequences>(back), all);
    auto embedded = SequencesFromJson(SequencesToJson(all));
    ASSERT_TRUE(std::holds_alternative<Sequences>(embedded));
    EXPECT_EQ(std::get<Sequences>(embedded), all);
}

struct Damaged {
    const char* json;
    const char* named;  // what the reason must name
};

class SequencesDamaged : public testing::TestWithParam<Damaged> {};

TEST_P(SequencesDamaged, GivesNothingAndNamesTheFirstBadEntry) {
    auto read = SequencesFromBytes(QByteArray(GetParam().json));
    ASSERT_TRUE(std::holds_alternative<SequenceFault>(read)) << GetParam().json;
    const QString what = std::get<SequenceFault>(read).what;
    EXPECT_TRUE(what.contains(QString::fromUtf8(GetParam().named))) << what.toStdString();
}

#define SEQ(steps) "{\"version\":1,\"sequences\":[{\"name\":\"s\",\"steps\":[" steps "]}]}"
INSTANTIATE_TEST_SUITE_P(
    Files, SequencesDamaged,
    testing::Values(
        Damaged{"{\"version\":1,", "不是有效的 JSON"}, Damaged{"[1]", "不是 JSON 对象"},
        Damaged{"{\"version\":2,\"sequences\":[]}", "版本未知"},
        Damaged{"{\"version\":1}", "sequences"},
        Damaged{"{\"version\":1,\"sequences\":[{\"steps\":[]}]}", "第 1 个序列"},
        Damaged{SEQ("{\"kind\":\"jump\"}"), "第 1 步"},
        Damaged{SEQ("{\"kind\":\"wait\",\"ms\":5},{\"kind\":\"wait\",\"ms\":-1}"), "第 2 步"},
        Damaged{SEQ("{\"kind\":\"wait\",\"ms\":1.5}"), "ms"},
        Damaged{SEQ("{\"kind\":\"wait\",\"ms\":1e300}"), "ms"},
        Damaged{SEQ("{\"kind\":\"wait\",\"ms\":-1e300}"), "ms"},
        Damaged{SEQ("{\"kind\":\"send\",\"form\":\"hex\",\"text\":\"0g\",\"lineEnding\":\"lf\"}"),
                "第 1 步"},
        Damaged{SEQ("{\"kind\":\"send\",\"form\":\"text\",\"text\":\"a\",\"lineEnding\":\"x\"}"),
                "lineEnding"},
        Damaged{SEQ("{\"kind\":\"expect\",\"match\":\"regex\",\"pattern\":\"(\",\"ms\":9}"),
                "正则表达式无效"},
        Damaged{SEQ("{\"kind\":\"expect\",\"match\":\"contains\",\"pattern\":\"\",\"ms\":9}"),
                "为空"},
        Damaged{SEQ("{\"kind\":\"expect\",\"match\":\"hex\",\"pattern\":\"1\",\"ms\":0}"), "ms"},
        Damaged{SEQ("{\"kind\":\"repeat\",\"from\":1,\"count\":2}"), "第 1 步"},
        Damaged{SEQ("{\"kind\":\"wait\",\"ms\":1},{\"kind\":\"repeat\",\"from\":3,\"count\":2}"),
                "第 2 步"}));
#undef SEQ

}  // namespace
}  // namespace quillet::pages
