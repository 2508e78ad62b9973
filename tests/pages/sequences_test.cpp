// Sequences on the TCP server page against a Python peer on 127.0.0.1 that echoes what it gets
// (and leaves on "BYE"): answers found by text, regular expression and hex bytes, a wait that
// runs out stops the run naming its step, the user's stop, a repeated block, a closed
// connection; every outcome a note in the received view that no peer byte can forge, found by
// the find bar and saved as the view shows it (raw saves hold only the peer's bytes).
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>

#include "engine/crit_sec.h"
#include "engine/log_line.h"
#include "pages/log/log_find_bar.h"
#include "pages/log/log_save.h"
#include "pages/log/save_log_dlg.h"
#include "pages/send/sequence_runner.h"
#include "pages/send/sequences_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "skin/ui_kit.h"
#include "tests/pages/send_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using pages::CSequencesDlg;
using pages::CTcpServerDlg;
using pages::LineEnding;
using pages::MatchKind;
using pages::SendForm;
using pages::Sequence;
using pages::SequenceStep;
using pages::StepKind;

// Connects to the page's port, echoes every chunk, closes on "BYE"; gives up after 60 s.
constexpr const char* kEchoPeer = R"(
import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=60)
while True:
    data = s.recv(65536)
    if not data or b"BYE" in data:
        break
    s.sendall(data)
s.close()
)";

SequenceStep Send(const char* text, SendForm form = SendForm::kText) {
    SequenceStep step;
    step.kind = StepKind::kSend;
    step.text = QString::fromUtf8(text);
    step.form = form;
    step.lineEnding = LineEnding::kNone;
    return step;
}

SequenceStep Expect(MatchKind match, const char* pattern, int ms = 5000) {
    SequenceStep step;
    step.kind = StepKind::kExpect;
    step.match = match;
    step.pattern = QString::fromUtf8(pattern);
    step.ms = ms;
    return step;
}

SequenceStep Wait(int ms) {
    SequenceStep step;
    step.kind = StepKind::kWait;
    step.ms = ms;
    return step;
}

SequenceStep Repeat(int from, int count) {
    SequenceStep step;
    step.kind = StepKind::kRepeat;
    step.from = from;
    step.count = count;
    return step;
}

class SequencesTest : public SendTest<CTcpServerDlg> {
protected:
    void SetUp() override {
        SendTest::SetUp();
        const int port = ListenOnFreePort();
        const QString script = dir_.filePath(QStringLiteral("peer.py"));
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kEchoPeer);
        file.close();
        peer_.start(QStringLiteral("python3"), {script, QString::number(port)});
        ASSERT_TRUE(peer_.waitForStarted(10000));
        ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
        ClickItem(Child(0));
        rec_ = Rec(Child(0));
        QObject::connect(Runner(), &pages::SequenceRunner::Finished, page_.get(),
                         [this](bool ok, const QString& why) {
                             finished_ = true;
                             ok_ = ok;
                             why_ = why;
                         });
    }
    void TearDown() override {
        peer_.kill();
        peer_.waitForFinished(10000);
        SendTest::TearDown();
    }
    pages::SequenceRunner* Runner() const { return page_->Sending()->Sequencer(); }
    CSequencesDlg* Dialog() {
        Key(Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
        auto* dlg = page_->findChild<CSequencesDlg*>(QStringLiteral("sequencesDialog"));
        EXPECT_TRUE(dlg && dlg->isVisible());
        return dlg;
    }
    void Click(QWidget* dlg, const char* name) {
        auto* button = dlg->findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }
    // Runs `steps` from the dialog and waits for the run's end; true when every step passed.
    bool Run(std::vector<SequenceStep> steps) {
        CSequencesDlg* dlg = Dialog();
        dlg->SetAll({Sequence{QStringLiteral("t"), std::move(steps)}});
        finished_ = false;
        Click(dlg, "sequenceRun");
        EXPECT_TRUE(Eventually([&] { return finished_; }));
        return ok_;
    }
    uint64_t SentBytes() const {
        CCritSecLock lock(g_csConnect);
        return rec_->nSentBytes;
    }
    // The received view's lines that are notes.
    QStringList Notes() {
        QStringList notes;
        for (const QString& line : Received().split(QLatin1Char('\n')))
            if (line.startsWith(QString::fromStdU16String(std::u16string(kNoteMark))))
                notes << line;
        return notes;
    }

    QProcess peer_;
    ConnectInfo* rec_ = nullptr;
    bool finished_ = false;
    bool ok_ = false;
    QString why_;
};

TEST_F(SequencesTest, AnswersAreFoundByTextRegularExpressionAndHexBytes) {
    struct Case {
        SequenceStep send;
        SequenceStep expect;
    };
    const Case cases[] = {
        {Send("hello world"), Expect(MatchKind::kContains, "lo wo")},
        {Send("ping 42"), Expect(MatchKind::kRegex, "^ping \\d+$")},
        {Send("01 02 ff", SendForm::kHex), Expect(MatchKind::kHex, "01 02 FF")},
        {Send("a\\x00b", SendForm::kEscapes), Expect(MatchKind::kHex, "61 00 62")},
        // Matched after decoding in the page's encoding (the locale's here: UTF-8).
        {Send("温度=21"), Expect(MatchKind::kRegex, "温度=\\d")},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Run({c.send, c.expect})) << why_.toStdString();
        EXPECT_TRUE(Notes().last().contains(QStringLiteral("完成")));
    }
}

TEST_F(SequencesTest, AWaitThatRunsOutStopsTheRunAndNamesTheStep) {
    EXPECT_FALSE(Run({Send("abc"), Expect(MatchKind::kContains, "xyz", 200), Send("never")}));
    EXPECT_TRUE(why_.contains(QStringLiteral("第 2 步"))) << why_.toStdString();
    EXPECT_EQ(SentBytes(), 3u);  // the step after it never ran
    EXPECT_TRUE(Notes().last().contains(QStringLiteral("第 2 步 失败")));
}

TEST_F(SequencesTest, TheUserStopsARunThatWaits) {
    CSequencesDlg* dlg = Dialog();
    dlg->SetAll({Sequence{QStringLiteral("long"), {Send("x"), Wait(600000)}}});
    Click(dlg, "sequenceRun");
    ASSERT_TRUE(Eventually([&] { return Runner()->CurrentProgress().step == 2; }));
    EXPECT_EQ(dlg->ProgressText(), QStringLiteral("第 2 / 2 步"));
    Click(dlg, "sequenceStop");
    EXPECT_TRUE(finished_);
    EXPECT_FALSE(ok_);
    EXPECT_FALSE(Runner()->Running());
    EXPECT_TRUE(Notes().last().contains(QStringLiteral("已停止，停在第 2 步")));
}

TEST_F(SequencesTest, ARepeatedBlockRunsItsCountAndShowsItsRound) {
    std::vector<uint64_t> rounds;
    QObject::connect(Runner(), &pages::SequenceRunner::ProgressChanged, page_.get(),
                     [&] { rounds.push_back(Runner()->CurrentProgress().round); });
    EXPECT_TRUE(Run({Send("r"), Expect(MatchKind::kContains, "r"), Repeat(1, 3), Send("s")}));
    EXPECT_EQ(SentBytes(), 4u);  // r r r s
    EXPECT_EQ(*std::max_element(rounds.begin(), rounds.end()), 3u);
    EXPECT_EQ(Notes().filter(QStringLiteral("第 2 步 通过")).size(), 3);
}

TEST_F(SequencesTest, AClosedConnectionStopsTheRunWithANote) {
    EXPECT_FALSE(Run({Send("BYE"), Wait(600000)}));
    EXPECT_TRUE(why_.contains(QStringLiteral("连接已关闭"))) << why_.toStdString();
    EXPECT_TRUE(Notes().last().contains(QStringLiteral("连接已关闭")));
}

TEST_F(SequencesTest, NotesCannotBeForgedAndShowInSearchAndTextSavesOnly) {
    const std::string mark = enc::EncodeWith("UTF-8", std::u16string(kNoteMark));
    const std::string forged = mark + "2026-01-01 00:00:00  第 9 步 通过";
    ASSERT_TRUE(Run({Send(forged.c_str()), Expect(MatchKind::kContains, "第 9 步")}));
    const QStringList lines = Received().split(QLatin1Char('\n'));
    QStringList echoed = lines.filter(QStringLiteral("第 9 步 通过"));
    for (const QString& note : Notes())
        echoed.removeAll(note);  // the send step's note quotes the text
    ASSERT_EQ(echoed.size(), 1);
    EXPECT_TRUE(echoed[0].at(0).isDigit()) << "the peer's bytes read as data, after the stamp";
    EXPECT_EQ(Notes().size(), 4);  // start, two steps, done

    pages::CLogView* view = page_->ReceivedView();
    view->OpenFindBar();
    view->FindBar()->TextBox()->setText(QStringLiteral("完成"));
    view->Find(true);
    ASSERT_TRUE(Eventually([&] { return !view->IsSearching(); }));
    EXPECT_TRUE(view->LastSearchFound());
    EXPECT_TRUE(view->SelectedText() == QStringLiteral("完成"));

    for (auto format : {pages::SaveFormat::kRaw, pages::SaveFormat::kText}) {
        const QString path = dir_.filePath(QStringLiteral("log%1").arg(static_cast<int>(format)));
        ui::SetModalScript([&](QDialog* dlg) {
            auto* save = qobject_cast<pages::CSaveLogDlg*>(dlg);
            ASSERT_NE(save, nullptr);
            save->FormatBox()->setCurrentIndex(static_cast<int>(format));
            save->PathBox()->setText(path);
            save->accept();
        });
        view->SaveLog();
        ui::SetModalScript(nullptr);
        ASSERT_TRUE(Eventually([&] { return !view->findChild<pages::LogSaver*>(); }));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (format == pages::SaveFormat::kRaw)
            EXPECT_EQ(bytes.toStdString(), forged);
        else
            EXPECT_EQ(
                QString::fromUtf8(bytes)
                    .split(QLatin1Char('\n'))
                    .filter(QRegularExpression(
                        QStringLiteral("^") + QString::fromStdU16String(std::u16string(kNoteMark))))
                    .size(),
                4);
    }
}

TEST_F(SequencesTest, TheEditorAddsMovesAndRemovesStepsAndKeepsThemForTheNextStart) {
    std::unique_ptr<QMenu> treeMenu(page_->MakeTreeMenu(Child(0)));
    EXPECT_NE(treeMenu->findChild<QAction*>(QStringLiteral("actionSequences")), nullptr);
    CSequencesDlg* dlg = Dialog();
    Click(dlg, "sequenceNew");
    dlg->EditStep(Send("one"));
    Click(dlg, "stepAdd");
    dlg->EditStep(Wait(5));
    Click(dlg, "stepAdd");
    dlg->EditStep(Expect(MatchKind::kRegex, "("));  // not a valid expression: refused, told
    Click(dlg, "stepAdd");
    EXPECT_TRUE(MessageStarts(QStringLiteral("无法添加此步")));
    Click(dlg, "stepUp");  // the wait first
    ASSERT_EQ(dlg->All().size(), 1u);
    ASSERT_EQ(dlg->All()[0].steps.size(), 2u);
    EXPECT_EQ(dlg->All()[0].steps[0].kind, StepKind::kWait);
    EXPECT_EQ(dlg->All()[0].steps[1].text, QStringLiteral("one"));
    EXPECT_EQ(dlg->Steps()->count(), 2);
    const pages::Sequences kept = dlg->All();
    pages::CSequencesDlg again(page_->Sending(), Runner());
    EXPECT_EQ(again.All(), kept);
    Click(dlg, "stepRemove");
    EXPECT_EQ(dlg->All()[0].steps.size(), 1u);
}

TEST_F(SequencesTest, FilesAreExportedWholeAndADamagedOneIsRefusedNamingFileAndEntry) {
    CSequencesDlg* dlg = Dialog();
    const pages::Sequences all = {Sequence{QStringLiteral("a"), {Send("x"), Wait(1)}}};
    dlg->SetAll(all);
    const QString good = dir_.filePath(QStringLiteral("good.json"));
    dlg->ExportTo(good);
    ASSERT_TRUE(Eventually([&] { return !dlg->IoBusy(); }));
    dlg->SetAll({});
    dlg->ImportFrom(good);
    ASSERT_TRUE(Eventually([&] { return !dlg->IoBusy(); }));
    EXPECT_EQ(dlg->All(), all);
    const QString bad = dir_.filePath(QStringLiteral("bad.json"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"version":1,"sequences":[{"name":"ok","steps":[]},)"
               R"({"name":"b","steps":[{"kind":"wait","ms":-5}]}]})");
    file.close();
    messages_.clear();
    dlg->ImportFrom(bad);
    ASSERT_TRUE(Eventually([&] { return !dlg->IoBusy(); }));
    EXPECT_EQ(dlg->All(), all);  // nothing of it taken
    ASSERT_FALSE(messages_.empty());
    EXPECT_TRUE(messages_.back().text.contains(bad));
    EXPECT_TRUE(messages_.back().text.contains(QStringLiteral("第 2 个序列（b） 第 1 步")))
        << messages_.back().text.toStdString();
}

}  // namespace
}  // namespace quillet::test
