// How the log views cut a text into pieces for layout: every piece bounded, lines kept apart,
// surrogate pairs whole, and the walk forward, backward and to any position agreeing.
#include "pages/log/log_pieces.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillet::pages {
namespace {

struct Cuts {
    const char* name;
    QString text;
};

std::vector<int> Forward(const QString& text) {
    std::vector<int> starts;
    for (int s = 0; s >= 0; s = NextPiece(text, s))
        starts.push_back(s);
    return starts;
}

class PiecesTest : public ::testing::TestWithParam<Cuts> {};

TEST_P(PiecesTest, PiecesAreBoundedAndTheWalksAgree) {
    const QString& text = GetParam().text;
    const std::vector<int> starts = Forward(text);
    // Backward from the last piece meets the same starts.
    std::vector<int> back;
    for (int s = LastPiece(text); s >= 0; s = PrevPiece(text, s))
        back.insert(back.begin(), s);
    EXPECT_EQ(back, starts);
    QString joined;
    for (size_t i = 0; i < starts.size(); ++i) {
        const int s = starts[i], e = PieceEnd(text, s);
        EXPECT_LE(e - s, kPieceChars + 2);
        EXPECT_FALSE(text.mid(s, e - s).contains(QLatin1Char('\n')));
        EXPECT_FALSE(s > 0 && s < text.size() && text[s].isLowSurrogate());
        // Every position of the piece (and the line break that ends it) finds the piece.
        for (int o : {s, (s + e) / 2})
            EXPECT_EQ(PieceAt(text, o), s) << "at " << o;
        if (e == text.size() || text[e] == QLatin1Char('\n')) {
            EXPECT_EQ(PieceAt(text, e), s) << "at " << e;
        }
        joined += text.mid(s, e - s);
        if (i + 1 < starts.size() && !ContinuesLine(text, starts[i + 1]))
            joined += QLatin1Char('\n');
    }
    EXPECT_EQ(joined, text);  // nothing lost, nothing doubled
}

QString Long(int n, QChar c) {
    return QString(n, c);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PiecesTest,
    ::testing::Values(
        Cuts{"Empty", QString()}, Cuts{"Short", QStringLiteral("abc")},
        Cuts{"EndsWithABreak", QStringLiteral("abc\n")},
        Cuts{"EmptyLines", QStringLiteral("\n\na\n\n")},
        Cuts{"OneLongLine", Long(3 * kPieceChars + 17, QLatin1Char('x'))},
        Cuts{"EndsOnACut", Long(2 * kPieceChars, QLatin1Char('x'))},
        Cuts{"BreakOnACut", Long(kPieceChars, QLatin1Char('x')) + QStringLiteral("\n") +
                                Long(kPieceChars, QLatin1Char('y'))},
        Cuts{"BreakBeforeACut", Long(kPieceChars - 1, QLatin1Char('x')) + QStringLiteral("\n") +
                                    Long(2 * kPieceChars, QLatin1Char('y'))},
        Cuts{"PairOnACut", Long(kPieceChars - 1, QLatin1Char('x')) + QStringLiteral("\U0001F600") +
                               Long(kPieceChars, QLatin1Char('z'))},
        Cuts{"PairThenBreakOnACut",
             Long(kPieceChars - 1, QLatin1Char('x')) + QStringLiteral("\U0001F600\nq")}),
    [](const ::testing::TestParamInfo<Cuts>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet::pages
