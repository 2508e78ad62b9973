// One send as hex pairs or with escapes, and saved messages, on the TCP server page with real
// clients on 127.0.0.1: the exact bytes arrive, damaged input sends nothing and says where,
// saved messages go to the selected client or to all, and survive export, import and restart.
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QListWidget>
#include <QPushButton>

#include "pages/send/saved_messages_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "tests/pages/send_fixture.h"

namespace quillet::test {
namespace {

using pages::CSavedMessagesDlg;
using pages::CTcpServerDlg;
using pages::LineEnding;
using pages::SavedMessage;
using pages::SendForm;

class SendFormsTest : public SendTest<CTcpServerDlg> {
protected:
    PeerSocket Client(int port, int index) {
        PeerSocket fd = this->AcceptedClient(port, index);
        ClickItem(Child(index));
        return fd;
    }
    CSavedMessagesDlg* Saved() {
        Key(Qt::Key_M);  // Ctrl+M in the send box
        auto* dlg = page_->findChild<CSavedMessagesDlg*>(QStringLiteral("savedMessagesDialog"));
        EXPECT_TRUE(dlg && dlg->isVisible());
        return dlg;
    }
    void ListKey(CSavedMessagesDlg* dlg, Qt::Key key) { QTest::keyClick(dlg->List(), key); }
    void Click(CSavedMessagesDlg* dlg, const char* name) {
        auto* button = dlg->findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }
    // The file dialog of import or export answered with `path`.
    void ChooseFile(const QString& path) {
        ui::SetModalScript([path](QDialog* d) {
            auto* files = qobject_cast<QFileDialog*>(d);
            ASSERT_NE(files, nullptr);
            files->selectFile(path);
            QMetaObject::invokeMethod(files, "accept");
        });
    }
    void WaitIo(CSavedMessagesDlg* dlg) {
        ASSERT_TRUE(Eventually([&] { return !dlg->IoBusy(); }));
    }
    static SavedMessage Message(const char* name, SendForm form, const char* text,
                                LineEnding ending = LineEnding::kLf) {
        return {QString::fromUtf8(name), form, QString::fromUtf8(text), ending};
    }
};

struct OnceCase {
    const char* encoding;
    LineEnding ending;
    const char* action;  // the menu's action, or null for the key
    Qt::Key key;
    QString text;
    std::string wire;
};

TEST_F(SendFormsTest, HexAndEscapesOnceArriveAsTheirExactBytesAndLeaveTheEncoding) {
    PeerSocket peer = Client(ListenOnFreePort(), 0);
    const OnceCase cases[] = {
        {enc::kAnsi, LineEnding::kLf, "actionSendAsHex", {}, "41 42\n0d0A 00", {"AB\r\n\0", 5}},
        {enc::kAnsi, LineEnding::kCrLf, nullptr, Qt::Key_H, "ff 7e", "\xFF~"},
        // A typed line break follows the line ending; escapes are exact bytes.
        {enc::kAnsi,
         LineEnding::kCrLf,
         "actionSendWithEscapes",
         {},
         "a\\x00\\r\\n\\\\b\nc",
         {"a\0\r\n\\b\r\nc", 9}},
        {enc::kAnsi, LineEnding::kNone, nullptr, Qt::Key_E, "AT\\t1\\0", {"AT\t1\0", 5}},
        {"UTF-16LE", LineEnding::kLf, nullptr, Qt::Key_E, "A\\xff\\n", {"A\0\xFF\n", 4}},
        {enc::kHex, LineEnding::kLf, nullptr, Qt::Key_E, "41 42\\r\\n43", "AB\r\nC"},
    };
    for (const OnceCase& c : cases) {
        ASSERT_TRUE(enc::SetWireEncoding(c.encoding));
        Options(c.ending);
        const uint64_t before = Rec(Child(0))->nSentBytes;
        Type(c.text);
        if (c.action)
            Menu(c.action);
        else
            Key(c.key, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(RecvExactly(peer, c.wire.size()), c.wire) << c.text.toStdString();
        EXPECT_EQ(enc::WireEncoding(), c.encoding);
        EXPECT_EQ(Box(), "");  // emptied, as the Send button does
        EXPECT_TRUE(
            Eventually([&] { return Rec(Child(0))->nSentBytes == before + c.wire.size(); }));
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SendFormsTest, MalformedHexOrEscapesSendNothingAndNameTheFirstBadPlace) {
    PeerSocket peer = Client(ListenOnFreePort(), 0);
    const std::tuple<Qt::Key, QString, QString> cases[] = {
        {Qt::Key_H, "41 4G", "发送内容有错，未发送：第 1 行第 5 列，“G”不是十六进制数字。"},
        {Qt::Key_H, "41\n424", "发送内容有错，未发送：第 2 行第 3 列，十六进制数字须两个一组。"},
        {Qt::Key_H, "  \n", "发送内容有错，未发送：没有要发送的字节。"},
        {Qt::Key_E, "ok\n\\q", "发送内容有错，未发送：第 2 行第 1 列，未知的转义“\\q”。"},
        {Qt::Key_E, "a\\x4", "发送内容有错，未发送：第 1 行第 2 列，\\x 后须有两位十六进制数字。"},
        {Qt::Key_E, "end\\", "发送内容有错，未发送：第 1 行第 4 列，末尾的反斜杠后没有转义字符。"},
    };
    for (const auto& [key, text, told] : cases) {
        messages_.clear();
        Type(text);
        Key(key, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_TRUE(HasMessage(told, "提示")) << text.toStdString();
        EXPECT_EQ(Box(), text);  // kept for mending
    }
    EXPECT_EQ(Rec(Child(0))->nSentBytes, 0u);
    Type("z");
    Press(CTcpServerDlg::kSend);
    EXPECT_EQ(RecvExactly(peer, 1), "z");  // the first byte the peer ever got
}

TEST_F(SendFormsTest, ASavedMessageGoesToTheSelectedClientOrToAllAndIsKept) {
    const int port = ListenOnFreePort();
    PeerSocket a = Client(port, 0), b = Client(port, 1);
    Options(LineEnding::kCrLf);
    CSavedMessagesDlg* dlg = Saved();
    ASSERT_NE(dlg, nullptr);
    Type("hello\nthere");
    dlg->List()->setFocus();
    ListKey(dlg, Qt::Key_Insert);  // the box's text, with the line ending chosen now
    EXPECT_EQ(Box(), "hello\nthere");
    Options(LineEnding::kLf);
    dlg->Add(Message("ok", SendForm::kEscapes, "OK\\r\\n"));
    dlg->Add(Message("bytes", SendForm::kHex, "01 02 ff"));
    ASSERT_EQ(dlg->Messages().size(), 3u);
    EXPECT_EQ(dlg->Messages()[0],
              Message("hello", SendForm::kText, "hello\nthere", LineEnding::kCrLf));

    ClickItem(Child(1));
    dlg->List()->setCurrentRow(0);
    ListKey(dlg, Qt::Key_Return);
    EXPECT_EQ(RecvExactly(b, 12), "hello\r\nthere");
    dlg->List()->setCurrentRow(2);
    ProcessEvents();  // the list lays out its rows
    // A double-click as the window system gives it: a click, then the second press.
    const QPoint row = dlg->List()->visualItemRect(dlg->List()->currentItem()).center();
    QTest::mouseClick(dlg->List()->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(dlg->List()->viewport(), Qt::LeftButton, {}, row);
    EXPECT_EQ(RecvExactly(b, 3), "\x01\x02\xFF");
    dlg->List()->setCurrentRow(1);
    Click(dlg, "savedSendToAll");
    EXPECT_EQ(RecvExactly(a, 4), "OK\r\n");
    EXPECT_EQ(RecvExactly(b, 4), "OK\r\n");
    EXPECT_TRUE(HasMessage("已发送给 2 个连接，0 个失败。", "提示"));
    EXPECT_EQ(Box(), "hello\nthere");  // a saved message leaves the box alone
    EXPECT_TRUE(Eventually([&] { return Rec(Child(1))->nSentBytes == 12 + 3 + 4; }));
    EXPECT_TRUE(Eventually([&] { return Sent().contains(LogLine("OK")); }));

    // Kept in the settings: the next start's page has them.
    const pages::SavedMessages kept = dlg->Messages();
    dlg->close();
    page_ = std::make_unique<CTcpServerDlg>();
    page_->show();
    EXPECT_EQ(page_->Sending()->SavedMessagesDialog()->Messages(), kept);
}

TEST_F(SendFormsTest, ExportThenImportGivesTheSameMessages) {
    CSavedMessagesDlg* dlg = Saved();
    ASSERT_NE(dlg, nullptr);
    const pages::SavedMessages all = {
        Message("文本", SendForm::kText, "你好\n", LineEnding::kCr),
        Message("hex", SendForm::kHex, "de ad be ef"),
        Message("esc", SendForm::kEscapes, "\\x00\\\\", LineEnding::kNone),
    };
    for (const SavedMessage& m : all)
        dlg->Add(m);
    const QString path = dir_.filePath("saved.json");
    ChooseFile(path);
    Click(dlg, "savedExport");
    WaitIo(dlg);
    EXPECT_TRUE(HasMessage(QStringLiteral("已导出 3 条消息到 %1。").arg(path), "提示"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(json.value("version").toInt(), 1);
    EXPECT_EQ(json.value("messages").toArray().at(2).toObject().value("form").toString(),
              "escapes");

    dlg->List()->setFocus();
    for (int i = 0; i < 3; ++i)
        ListKey(dlg, Qt::Key_Delete);
    ASSERT_TRUE(dlg->Messages().empty());
    ChooseFile(path);
    Click(dlg, "savedImport");
    WaitIo(dlg);
    EXPECT_EQ(dlg->Messages(), all);
    EXPECT_TRUE(HasMessage("已导入 3 条消息。", "提示"));
    dlg->close();
}

TEST_F(SendFormsTest, ADamagedFileIsRefusedByNameAndEntryWithNothingImported) {
    CSavedMessagesDlg* dlg = Saved();
    ASSERT_NE(dlg, nullptr);
    dlg->Add(Message("keep", SendForm::kText, "x"));
    const QString good = R"({"name":"a","form":"text","text":"a","lineEnding":"lf"})";
    const std::pair<QString, QString> cases[] = {
        {"{\"version\":1,", "不是有效的 JSON"},
        {R"({"version":2,"messages":[]})", "版本未知（只认得版本 1）"},
        {R"({"version":1,"messages":[)" + good +
             R"(,{"name":"bad","form":"hex","text":"4G","lineEnding":"lf"}]})",
         "第 2 条消息（bad）：第 1 行第 2 列，“G”不是十六进制数字"},
        {R"({"version":1,"messages":[)" + good +
             R"(,{"name":"b","form":"text","text":"b","lineEnding":"lr"}]})",
         "第 2 条消息（b）：lineEnding 须为 lf、crlf、cr 或 none"},
        {R"({"version":1,"messages":[{"form":"text","text":"b","lineEnding":"lf"}]})",
         "第 1 条消息：name 须为非空的文本"},
    };
    const QString path = dir_.filePath("damaged.json");
    for (const auto& [content, why] : cases) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content.toUtf8());
        file.close();
        messages_.clear();
        dlg->ImportFrom(path);
        WaitIo(dlg);
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_TRUE(messages_[0].text.startsWith(QStringLiteral("无法导入 %1：%2").arg(path, why)))
            << messages_[0].text.toStdString();
        ASSERT_EQ(dlg->Messages().size(), 1u);
        EXPECT_EQ(pages::LoadSaved(page_->objectName()).size(), 1u);
    }
    dlg->close();
}

}  // namespace
}  // namespace quillet::test
