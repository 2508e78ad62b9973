<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>quillet::pages::CAutoReplyDlg</name>
    <message>
        <source>自动回复</source>
        <translation>Auto-Reply</translation>
    </message>
    <message>
        <source>回显：把收到的数据原样发回</source>
        <translation>Echo: send back what is received</translation>
    </message>
    <message>
        <source>固定回复：每收到一次就发送下面的内容</source>
        <translation>Fixed reply: send the text below for each receipt</translation>
    </message>
    <message>
        <source>十六进制</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>回复内容不是有效的十六进制数据：须为成对的十六进制数字。</source>
        <translation>The reply is not valid hex: it needs pairs of hex digits.</translation>
    </message>
    <message>
        <source>回复内容为空。</source>
        <translation>The reply is empty.</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CCountersLine</name>
    <message>
        <source>%1 字节</source>
        <translation>%1 bytes</translation>
    </message>
    <message>
        <source>收 %1 / %2 条，%3/秒；发 %4 / %5 条</source>
        <translation>Received %1 in %2 messages, %3/s; sent %4 in %5 messages</translation>
    </message>
    <message>
        <source>；记录中</source>
        <translation>; recording</translation>
    </message>
    <message>
        <source>；未自动回复本程序自己的套接字 %1 次</source>
        <translation>; %1 automatic replies withheld from this program&apos;s own sockets</translation>
    </message>
    <message>
        <source>；超出自动回复限额，已丢弃 %1 个回复</source>
        <translation>; %1 automatic replies dropped over the reply budget</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CDialogP</name>
    <message>
        <source>已发送的信息</source>
        <translation>Sent messages</translation>
    </message>
    <message>
        <source>收到的信息</source>
        <translation>Received messages</translation>
    </message>
    <message>
        <source>发送窗口</source>
        <translation>Send window</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>未选择要清除的连接</source>
        <translation>No connection selected to clear</translation>
    </message>
    <message>
        <source>内存不足：收到的部分数据未能记入日志（收到的字节数仍已计入）。程序继续运行。</source>
        <translation>Out of memory: some received data could not be logged (the received byte counts include it). The program goes on.</translation>
    </message>
    <message>
        <source>连接已关闭</source>
        <translation>the connection closed</translation>
    </message>
    <message>
        <source>连接已删除</source>
        <translation>the record was deleted</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CDlgSetIp</name>
    <message>
        <source>请输入对方地址</source>
        <translation>Enter the peer address</translation>
    </message>
    <message>
        <source>对方地址:</source>
        <translation>Peer address:</translation>
    </message>
    <message>
        <source>对方端口:</source>
        <translation>Peer port:</translation>
    </message>
    <message>
        <source>连接数量:</source>
        <translation>Connections:</translation>
    </message>
    <message>
        <source>输入的端口号有错！</source>
        <translation>The port number entered is invalid!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>连接数量不能超过%1！</source>
        <translation>The number of connections cannot exceed %1!</translation>
    </message>
    <message>
        <source>Ip 地址有错!</source>
        <translation>Invalid IP address!</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CLocalAddressDlg</name>
    <message>
        <source>自动</source>
        <translation>automatic</translation>
    </message>
    <message>
        <source>本机地址</source>
        <translation>host address</translation>
    </message>
    <message>
        <source>本地地址</source>
        <translation>Local address</translation>
    </message>
    <message>
        <source>本地地址:</source>
        <translation>Local address:</translation>
    </message>
    <message>
        <source>所有 IPv4 地址 (0.0.0.0)</source>
        <translation>All IPv4 addresses (0.0.0.0)</translation>
    </message>
    <message>
        <source>所有地址, IPv4 和 IPv6 (双栈)</source>
        <translation>All addresses, IPv4 and IPv6 (dual stack)</translation>
    </message>
    <message>
        <source>本机地址 (%1)</source>
        <translation>Host address (%1)</translation>
    </message>
    <message>
        <source>自动 (按路由表选择)</source>
        <translation>Automatic (as the routing table chooses)</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CLogFindBar</name>
    <message>
        <source>查找</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>上一个</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>下一个</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>区分大小写</source>
        <translation>Match case</translation>
    </message>
    <message>
        <source>词</source>
        <translation>W</translation>
    </message>
    <message>
        <source>全字匹配</source>
        <translation>Whole word</translation>
    </message>
    <message>
        <source>全</source>
        <translation>All</translation>
    </message>
    <message>
        <source>全部高亮</source>
        <translation>Highlight all</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CLogSettingsTab</name>
    <message>
        <source>北京时间（UTC+8），精确到秒</source>
        <translation>Beijing time (UTC+8), to the second</translation>
    </message>
    <message>
        <source>本地时间，精确到毫秒</source>
        <translation>Local time, to the millisecond</translation>
    </message>
    <message>
        <source>UTC，精确到毫秒</source>
        <translation>UTC, to the millisecond</translation>
    </message>
    <message>
        <source>时间格式:</source>
        <translation>Time stamps:</translation>
    </message>
    <message>
        <source>每个连接的日志上限:</source>
        <translation>Log limit per connection:</translation>
    </message>
    <message>
        <source>全部日志的上限:</source>
        <translation>Limit of all logs:</translation>
    </message>
    <message>
        <source>日志</source>
        <translation>Logs</translation>
    </message>
    <message>
        <source>全部日志的上限不能小于每个连接的日志上限。</source>
        <translation>The limit of all logs cannot be less than the limit per connection.</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CLogView</name>
    <message>
        <source>—— 已达日志上限，最早的 %1 字节已丢弃 ——</source>
        <translation>—— log limit reached: the oldest %1 bytes were dropped ——</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>HEX + 文本</source>
        <translation>HEX + text</translation>
    </message>
    <message>
        <source>查找...</source>
        <translation>Find...</translation>
    </message>
    <message>
        <source>保存...</source>
        <translation>Save...</translation>
    </message>
    <message>
        <source>未找到</source>
        <translation>Not found</translation>
    </message>
    <message>
        <source>没有可保存的日志！</source>
        <translation>There is no log to save!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>▼ 有新数据</source>
        <translation>▼ New data</translation>
    </message>
    <message>
        <source>要复制的日志约有 %1 MB，复制会占用较多内存和时间。仍要复制吗？</source>
        <translation>The log to copy holds about %1 MB; copying takes much memory and time. Copy anyway?</translation>
    </message>
    <message>
        <source>正在查找…</source>
        <translation>Searching…</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CMulticastServerDlg</name>
    <message>
        <source>本地端口已经被占用!</source>
        <translation>The local port is already in use!</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CPromptDlg</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>系统资源不足，无法解析地址！</source>
        <translation>Not enough system resources to look up the address!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>正在解析…</source>
        <translation>Looking up…</translation>
    </message>
    <message>
        <source>Ip 地址有错!</source>
        <translation>Invalid IP address!</translation>
    </message>
    <message>
        <source>本地地址是 IPv6 地址, 对方地址也应是 IPv6 地址!</source>
        <translation>The local address is an IPv6 address: the peer&apos;s address must be IPv6 too!</translation>
    </message>
    <message>
        <source>本地地址是 IPv4 地址, 对方地址也应是 IPv4 地址!</source>
        <translation>The local address is an IPv4 address: the peer&apos;s address must be IPv4 too!</translation>
    </message>
    <message>
        <source>高级…</source>
        <translation>More…</translation>
    </message>
    <message>
        <source>本地地址: %1</source>
        <translation>Local address: %1</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CRecordings</name>
    <message>
        <source>记录此连接到文件...</source>
        <translation>Record This Connection to a File...</translation>
    </message>
    <message>
        <source>停止记录此连接</source>
        <translation>Stop Recording This Connection</translation>
    </message>
    <message>
        <source>记录本页所有连接到文件...</source>
        <translation>Record All Connections of This Page to a File...</translation>
    </message>
    <message>
        <source>停止记录本页</source>
        <translation>Stop Recording This Page</translation>
    </message>
    <message>
        <source>记录到文件</source>
        <translation>Record to File</translation>
    </message>
    <message>
        <source>原始字节：只有收到的数据 (*)</source>
        <translation>Raw bytes: received data only (*)</translation>
    </message>
    <message>
        <source>文本：收发的每一块，带时间 (*.txt)</source>
        <translation>Text: every chunk received and sent, with its time (*.txt)</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>磁盘写入跟不上接收的速度</source>
        <translation>the disk could not keep up with the data received</translation>
    </message>
    <message>
        <source>写入文件失败：%1</source>
        <translation>writing the file failed: %1</translation>
    </message>
    <message>
        <source>记录到文件已停止（%1）。
文件：%2
已写入 %3 字节，未写入 %4 字节。</source>
        <translation>Recording to a file stopped (%1).
File: %2
%3 bytes written, %4 bytes not written.</translation>
    </message>
    <message>
        <source>无法打开记录文件：%1</source>
        <translation>Cannot open the recording file: %1</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CRepeatDlg</name>
    <message>
        <source>重复发送</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>间隔(毫秒):</source>
        <translation>Interval (ms):</translation>
    </message>
    <message>
        <source>次数(0不限):</source>
        <translation>Times (0: no limit):</translation>
    </message>
    <message>
        <source>间隔须为 1 到 86400000 之间的整数（毫秒）。</source>
        <translation>The interval must be a whole number from 1 to 86400000 (milliseconds).</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>次数须为 0 到 1000000000 之间的整数，0 表示一直发送到停止。</source>
        <translation>The count must be a whole number from 0 to 1000000000; 0 repeats until stopped.</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CSaveLogDlg</name>
    <message>
        <source>保存日志</source>
        <translation>Save log</translation>
    </message>
    <message>
        <source>收到的信息</source>
        <translation>Received messages</translation>
    </message>
    <message>
        <source>已发送的信息</source>
        <translation>Sent messages</translation>
    </message>
    <message>
        <source>收发合并（按时间）</source>
        <translation>Both, merged in time order</translation>
    </message>
    <message>
        <source>显示的文本</source>
        <translation>Text as shown</translation>
    </message>
    <message>
        <source>原始字节</source>
        <translation>Raw bytes</translation>
    </message>
    <message>
        <source>浏览...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>内容：</source>
        <translation>Content:</translation>
    </message>
    <message>
        <source>格式：</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>文件：</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>请输入文件名！</source>
        <translation>Please enter a file name!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>文件“%1”已存在。要替换它吗？</source>
        <translation>The file “%1” already exists. Replace it?</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CSavedMessagesDlg</name>
    <message>
        <source>十六进制</source>
        <translation>hex</translation>
    </message>
    <message>
        <source>转义</source>
        <translation>escapes</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>text</translation>
    </message>
    <message>
        <source>常用消息</source>
        <translation>Saved Messages</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>发送给所有连接</source>
        <translation>Send to all</translation>
    </message>
    <message>
        <source>添加发送框内容 (Ins)</source>
        <translation>Add the send box&apos;s text (Ins)</translation>
    </message>
    <message>
        <source>删除 (Del)</source>
        <translation>Delete (Del)</translation>
    </message>
    <message>
        <source>导入...</source>
        <translation>Import...</translation>
    </message>
    <message>
        <source>导出...</source>
        <translation>Export...</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>发送窗口没有内容。</source>
        <translation>The send box is empty.</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>消息 %1</source>
        <translation>Message %1</translation>
    </message>
    <message>
        <source>导入常用消息</source>
        <translation>Import Saved Messages</translation>
    </message>
    <message>
        <source>导出常用消息</source>
        <translation>Export Saved Messages</translation>
    </message>
    <message>
        <source>无法导入 %1：消息多于 %2 条。</source>
        <translation>Cannot import %1: more than %2 messages.</translation>
    </message>
    <message>
        <source>已导入 %1 条消息。</source>
        <translation>%1 messages imported.</translation>
    </message>
    <message>
        <source>无法导入 %1：%2</source>
        <translation>Cannot import %1: %2</translation>
    </message>
    <message>
        <source>已导出 %1 条消息到 %2。</source>
        <translation>%1 messages exported to %2.</translation>
    </message>
    <message>
        <source>无法导出 %1：%2</source>
        <translation>Cannot export %1: %2</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CSendFileDlg</name>
    <message>
        <source>发送文件</source>
        <translation>Send File</translation>
    </message>
    <message>
        <source>文件:</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>浏览...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>分成多个数据报发送</source>
        <translation>Split into datagrams</translation>
    </message>
    <message>
        <source>每个数据报字节数:</source>
        <translation>Bytes per datagram:</translation>
    </message>
    <message>
        <source>文件不存在。</source>
        <translation>The file does not exist.</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>这是一个文件夹，请选择一个文件。</source>
        <translation>That is a folder; choose a file.</translation>
    </message>
    <message>
        <source>无法读取文件。</source>
        <translation>Cannot read the file.</translation>
    </message>
    <message>
        <source>文件是空的，没有可发送的内容。</source>
        <translation>The file is empty: there is nothing to send.</translation>
    </message>
    <message>
        <source>每个数据报的字节数须为 1 到 65507 之间的整数。</source>
        <translation>Bytes per datagram must be a whole number from 1 to 65507.</translation>
    </message>
    <message>
        <source>文件大于 65507 字节，不能作为一个数据报发送；请选择分成多个数据报发送。</source>
        <translation>The file is larger than 65507 bytes and cannot go as one datagram; tick Split into datagrams.</translation>
    </message>
    <message>
        <source>这是一个套接字文件，不能读取，请选择一个文件。</source>
        <translation>That is a socket file, which cannot be read; choose a file.</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CSendSettingsTab</name>
    <message>
        <source>LF（\n）</source>
        <translation>LF (\n)</translation>
    </message>
    <message>
        <source>CR LF（\r\n）</source>
        <translation>CR LF (\r\n)</translation>
    </message>
    <message>
        <source>CR（\r）</source>
        <translation>CR (\r)</translation>
    </message>
    <message>
        <source>无（去掉换行）</source>
        <translation>None (line breaks dropped)</translation>
    </message>
    <message>
        <source>换行发送为:</source>
        <translation>Send a line break as:</translation>
    </message>
    <message>
        <source>发送后保留发送窗口中的内容</source>
        <translation>Keep the text in the send box after sending</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Sending</translation>
    </message>
    <message>
        <source>限制自动回复：每秒不超过对方发来的字节数加上</source>
        <translation>Limit automatic replies: per second, no more than the peer sent plus</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CSequencesDlg</name>
    <message>
        <source>序列</source>
        <translation>Sequences</translation>
    </message>
    <message>
        <source>序列名称</source>
        <translation>Sequence name</translation>
    </message>
    <message>
        <source>新建</source>
        <translation>New</translation>
    </message>
    <message>
        <source>删除序列</source>
        <translation>Delete sequence</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>等待</source>
        <translation>Wait</translation>
    </message>
    <message>
        <source>等待收到数据</source>
        <translation>Wait for data</translation>
    </message>
    <message>
        <source>重复</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>步骤</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>十六进制</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>转义字符</source>
        <translation>Escapes</translation>
    </message>
    <message>
        <source>常用消息</source>
        <translation>Saved message</translation>
    </message>
    <message>
        <source>含有文本</source>
        <translation>Contains text</translation>
    </message>
    <message>
        <source>匹配正则表达式</source>
        <translation>Matches regular expression</translation>
    </message>
    <message>
        <source>等于十六进制</source>
        <translation>Equals hex bytes</translation>
    </message>
    <message>
        <source>无换行</source>
        <translation>No line ending</translation>
    </message>
    <message>
        <source>形式</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Content</translation>
    </message>
    <message>
        <source> 毫秒</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>从第 </source>
        <translation>from step </translation>
    </message>
    <message>
        <source> 步起</source>
        <translation> on</translation>
    </message>
    <message>
        <source> 遍（0：直到停止）</source>
        <translation> runs (0: until stopped)</translation>
    </message>
    <message>
        <source>时间与次数</source>
        <translation>Time and count</translation>
    </message>
    <message>
        <source>添加步骤</source>
        <translation>Add step</translation>
    </message>
    <message>
        <source>修改步骤</source>
        <translation>Change step</translation>
    </message>
    <message>
        <source>删除步骤</source>
        <translation>Delete step</translation>
    </message>
    <message>
        <source>上移</source>
        <translation>Move up</translation>
    </message>
    <message>
        <source>下移</source>
        <translation>Move down</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>导入...</source>
        <translation>Import...</translation>
    </message>
    <message>
        <source>导出...</source>
        <translation>Export...</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>序列 %1</source>
        <translation>Sequence %1</translation>
    </message>
    <message>
        <source>无法添加此步：%1</source>
        <translation>Cannot add this step: %1</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>无法修改此步：%1</source>
        <translation>Cannot change this step: %1</translation>
    </message>
    <message>
        <source>所选序列没有步骤。</source>
        <translation>The chosen sequence has no steps.</translation>
    </message>
    <message>
        <source>第 %1 步无法运行：%2</source>
        <translation>Step %1 cannot run: %2</translation>
    </message>
    <message>
        <source>第 %1 / %2 步，第 %3 遍</source>
        <translation>Step %1 of %2, run %3</translation>
    </message>
    <message>
        <source>第 %1 / %2 步</source>
        <translation>Step %1 of %2</translation>
    </message>
    <message>
        <source>导入序列</source>
        <translation>Import Sequences</translation>
    </message>
    <message>
        <source>导出序列</source>
        <translation>Export Sequences</translation>
    </message>
    <message>
        <source>无法导入 %1：序列多于 %2 个。</source>
        <translation>Cannot import %1: more than %2 sequences.</translation>
    </message>
    <message>
        <source>已导入 %1 个序列。</source>
        <translation>Imported %1 sequences.</translation>
    </message>
    <message>
        <source>无法导入 %1：%2</source>
        <translation>Cannot import %1: %2</translation>
    </message>
    <message>
        <source>已导出 %1 个序列到 %2。</source>
        <translation>Exported %1 sequences to %2.</translation>
    </message>
    <message>
        <source>无法导出 %1：%2</source>
        <translation>Cannot export %1: %2</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CSet</name>
    <message>
        <source>收发信息编码设置</source>
        <translation>Message Encoding Settings</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>不支持的编码：</source>
        <translation>Unsupported encoding: </translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>收发信息编码设置：</source>
        <translation>Encoding:</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CSetDlgBroadIp</name>
    <message>
        <source>请输入广播地址</source>
        <translation>Enter the broadcast address</translation>
    </message>
    <message>
        <source>广播地址:</source>
        <translation>Broadcast address:</translation>
    </message>
    <message>
        <source>广播Ip地址可能有错!</source>
        <translation>The broadcast IP address may be invalid!</translation>
    </message>
    <message>
        <source>广播只能用 IPv4 地址!</source>
        <translation>Broadcast works with IPv4 addresses only!</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CSetListenDlg</name>
    <message>
        <source>请输入端口</source>
        <translation>Enter the port</translation>
    </message>
    <message>
        <source>输入的端口号有错！</source>
        <translation>The port number entered is invalid!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CSetMulticastDlg</name>
    <message>
        <source>请输入组播参数</source>
        <translation>Enter the multicast parameters</translation>
    </message>
    <message>
        <source>组播地址:</source>
        <translation>Group address:</translation>
    </message>
    <message>
        <source>组播端口:</source>
        <translation>Group port:</translation>
    </message>
    <message>
        <source>本地端口:</source>
        <translation>Local port:</translation>
    </message>
    <message>
        <source>生存时间:</source>
        <translation>Time to live:</translation>
    </message>
    <message>
        <source>本地接口:</source>
        <translation>Local interface:</translation>
    </message>
    <message>
        <source>客户数量:</source>
        <translation>Clients:</translation>
    </message>
    <message>
        <source>接收本机发出的组播数据</source>
        <translation>Receive multicast data sent by this host</translation>
    </message>
    <message>
        <source>输入的端口号有错！</source>
        <translation>The port number entered is invalid!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>组播地址有错! (应在 224.0.0.0 到 239.255.255.255 之间)</source>
        <translation>Invalid multicast address! (It must be between 224.0.0.0 and 239.255.255.255)</translation>
    </message>
    <message>
        <source>生存时间应在 0 到 255 之间！</source>
        <translation>The time to live must be between 0 and 255!</translation>
    </message>
    <message>
        <source>本地接口地址有错!</source>
        <translation>Invalid local interface address!</translation>
    </message>
    <message>
        <source>客户数量不能超过 %1！</source>
        <translation>The number of clients cannot exceed %1!</translation>
    </message>
    <message>
        <source>客户数量太多：本地端口将超过 65535！</source>
        <translation>Too many clients: the local port would exceed 65535!</translation>
    </message>
    <message>
        <source>本地端口已经被占用!</source>
        <translation>The local port is already in use!</translation>
    </message>
    <message>
        <source>IPv6 组播地址有错! (应在 ff00::/8 之内)</source>
        <translation>Invalid IPv6 multicast address! (It must be within ff00::/8)</translation>
    </message>
    <message>
        <source>组播地址与本地接口的地址类型不同!</source>
        <translation>The multicast address and the local interface are of different families!</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CSetUdpServerIp</name>
    <message>
        <source>请输入对方地址</source>
        <translation>Enter the peer address</translation>
    </message>
    <message>
        <source>对方地址:</source>
        <translation>Peer address:</translation>
    </message>
    <message>
        <source>对方端口:</source>
        <translation>Peer port:</translation>
    </message>
    <message>
        <source>本地端口:</source>
        <translation>Local port:</translation>
    </message>
    <message>
        <source>客户数量:</source>
        <translation>Clients:</translation>
    </message>
    <message>
        <source>输入的端口号有错！</source>
        <translation>The port number entered is invalid!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>本地端口已经被占用!</source>
        <translation>The local port is already in use!</translation>
    </message>
    <message>
        <source>Ip 地址有错!</source>
        <translation>Invalid IP address!</translation>
    </message>
    <message>
        <source>客户数量不能超过 %1！</source>
        <translation>The number of clients cannot exceed %1!</translation>
    </message>
    <message>
        <source>客户数量太多：本地端口将超过 65535！</source>
        <translation>Too many clients: the local port would exceed 65535!</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CSettingsDlg</name>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CTcpClientDlg</name>
    <message>
        <source>客户端连接成功!</source>
        <translation>The client connected successfully!</translation>
    </message>
    <message>
        <source>创建接收线程失败!</source>
        <translation>Failed to create the receiving thread!</translation>
    </message>
    <message>
        <source>创建套接字出错!</source>
        <translation>Failed to create the socket!</translation>
    </message>
    <message>
        <source>客户端连接失败!</source>
        <translation>The client failed to connect!</translation>
    </message>
    <message>
        <source>TLS 设置有误: %1</source>
        <translation>TLS settings are wrong: %1</translation>
    </message>
    <message>
        <source>TLS 握手失败: %1</source>
        <translation>TLS handshake failed: %1</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CTcpServerDlg</name>
    <message>
        <source>获取节点数据错误</source>
        <translation>Failed to get the node data</translation>
    </message>
    <message>
        <source>监听端口不正确</source>
        <translation>Invalid listening port</translation>
    </message>
    <message>
        <source>错误！</source>
        <translation>Error!</translation>
    </message>
    <message>
        <source>监听启动失败</source>
        <translation>Failed to start listening</translation>
    </message>
    <message>
        <source>描述符不足，已拒绝 %1 个连接</source>
        <translation>Out of file descriptors: %1 connections refused</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>无法创建接收线程，已关闭 %1 个连接</source>
        <translation>No receive thread could be started: %1 connections closed</translation>
    </message>
    <message>
        <source>本页已有服务器（端口 %1）</source>
        <translation>This page already has a server (port %1)</translation>
    </message>
    <message>
        <source>TLS 设置有误: %1</source>
        <translation>TLS settings are wrong: %1</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CTlsCertDlg</name>
    <message>
        <source>已验证</source>
        <translation>Verified</translation>
    </message>
    <message>
        <source>对方没有出示证书</source>
        <translation>The peer showed no certificate</translation>
    </message>
    <message>
        <source>未验证: %1</source>
        <translation>Not verified: %1</translation>
    </message>
    <message>
        <source> (警告: 未验证服务器)</source>
        <translation> (warning: the server is not verified)</translation>
    </message>
    <message>
        <source>警告: 未验证服务器的证书</source>
        <translation>Warning: the server&apos;s certificate is not verified</translation>
    </message>
    <message>
        <source>TLS 握手中</source>
        <translation>TLS handshake under way</translation>
    </message>
    <message>
        <source>协议: %1</source>
        <translation>Protocol: %1</translation>
    </message>
    <message>
        <source>加密套件: %1</source>
        <translation>Cipher: %1</translation>
    </message>
    <message>
        <source>ALPN: %1</source>
        <translation>ALPN: %1</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>证书 %1</source>
        <translation>Certificate %1</translation>
    </message>
    <message>
        <source>主题: %1</source>
        <translation>Subject: %1</translation>
    </message>
    <message>
        <source>颁发者: %1</source>
        <translation>Issuer: %1</translation>
    </message>
    <message>
        <source>有效期: %1 至 %2</source>
        <translation>Valid from %1 to %2</translation>
    </message>
    <message>
        <source>证书</source>
        <translation>Certificate</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CTlsOptionsBox</name>
    <message>
        <source>最低版本</source>
        <translation>Minimum version</translation>
    </message>
    <message>
        <source>最低版本:</source>
        <translation>Minimum version:</translation>
    </message>
    <message>
        <source>浏览…</source>
        <translation>Browse…</translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation>Choose a file</translation>
    </message>
    <message>
        <source>PEM 文件 (*.pem *.crt *.key)</source>
        <translation>PEM files (*.pem *.crt *.key)</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>自签名</source>
        <translation>Self-signed</translation>
    </message>
    <message>
        <source>证书文件:</source>
        <translation>Certificate file:</translation>
    </message>
    <message>
        <source>私钥文件:</source>
        <translation>Key file:</translation>
    </message>
    <message>
        <source>不要求</source>
        <translation>Not asked for</translation>
    </message>
    <message>
        <source>请求</source>
        <translation>Requested</translation>
    </message>
    <message>
        <source>必须</source>
        <translation>Required</translation>
    </message>
    <message>
        <source>客户端证书</source>
        <translation>Client certificate</translation>
    </message>
    <message>
        <source>客户端证书:</source>
        <translation>Client certificate:</translation>
    </message>
    <message>
        <source>CA 文件:</source>
        <translation>CA file:</translation>
    </message>
    <message>
        <source>验证服务器</source>
        <translation>Verify the server</translation>
    </message>
    <message>
        <source>CA 文件 (空: 系统):</source>
        <translation>CA file (empty: the system&apos;s):</translation>
    </message>
    <message>
        <source>服务器名称 (SNI):</source>
        <translation>Server name (SNI):</translation>
    </message>
    <message>
        <source>输入的名称</source>
        <translation>the typed name</translation>
    </message>
    <message>
        <source>客户端私钥:</source>
        <translation>Client key:</translation>
    </message>
    <message>
        <source>ALPN (逗号分隔):</source>
        <translation>ALPN (comma-separated):</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CTreeCtrlEx</name>
    <message>
        <source>连接树</source>
        <translation>Connection tree</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CUdpClientDlg</name>
    <message>
        <source>本地端口已经被占用!</source>
        <translation>The local port is already in use!</translation>
    </message>
    <message>
        <source>错误！</source>
        <translation>Error!</translation>
    </message>
    <message>
        <source>创建套接字失败</source>
        <translation>Failed to create the socket</translation>
    </message>
    <message>
        <source>错误!</source>
        <translation>Error!</translation>
    </message>
    <message>
        <source>绑定本地端口出错</source>
        <translation>Failed to bind the local port</translation>
    </message>
    <message>
        <source>创建接收线程失败!</source>
        <translation>Failed to create the receiving thread!</translation>
    </message>
    <message>
        <source>设置广播参数出错</source>
        <translation>Failed to set the broadcast parameters</translation>
    </message>
    <message>
        <source>加入组播组出错</source>
        <translation>Failed to join the multicast group</translation>
    </message>
    <message>
        <source>设置组播参数出错</source>
        <translation>Failed to set the multicast parameters</translation>
    </message>
    <message>
        <source>没有到对方地址的路由!</source>
        <translation>There is no route to the peer&apos;s address!</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CUdpServerDlg</name>
    <message>
        <source>获取节点数据错误</source>
        <translation>Failed to get the node data</translation>
    </message>
    <message>
        <source>监听端口不正确</source>
        <translation>Invalid listening port</translation>
    </message>
    <message>
        <source>错误！</source>
        <translation>Error!</translation>
    </message>
    <message>
        <source>监听启动失败</source>
        <translation>Failed to start listening</translation>
    </message>
    <message>
        <source>本页已有服务器（端口 %1）</source>
        <translation>This page already has a server (port %1)</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CWorkspace</name>
    <message>
        <source>TCP 服务器</source>
        <translation>TCP Server</translation>
    </message>
    <message>
        <source>TCP 客户端</source>
        <translation>TCP Client</translation>
    </message>
    <message>
        <source>UDP 服务器</source>
        <translation>UDP Server</translation>
    </message>
    <message>
        <source>UDP 客户端</source>
        <translation>UDP Client</translation>
    </message>
    <message>
        <source>UDP 广播</source>
        <translation>UDP Broadcast</translation>
    </message>
    <message>
        <source>组播</source>
        <translation>Multicast</translation>
    </message>
    <message>
        <source>保存工作区...	Ctrl+Shift+S</source>
        <translation>Save Workspace...	Ctrl+Shift+S</translation>
    </message>
    <message>
        <source>打开工作区...	Ctrl+Shift+O</source>
        <translation>Open Workspace...	Ctrl+Shift+O</translation>
    </message>
    <message>
        <source>保存工作区</source>
        <translation>Save Workspace</translation>
    </message>
    <message>
        <source>工作区 (*.json);;所有文件 (*)</source>
        <translation>Workspaces (*.json);;All files (*)</translation>
    </message>
    <message>
        <source>打开工作区</source>
        <translation>Open Workspace</translation>
    </message>
    <message>
        <source>无法保存工作区 %1：%2</source>
        <translation>Cannot save the workspace %1: %2</translation>
    </message>
    <message>
        <source>无法打开工作区 %1：%2</source>
        <translation>Cannot open the workspace %1: %2</translation>
    </message>
    <message>
        <source>常用消息将多于 %1 条，未加入</source>
        <translation>saved messages would exceed %1; none were added</translation>
    </message>
    <message>
        <source>只创建了 %1 个（共 %2 个）</source>
        <translation>only %1 of %2 were made</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>未能创建</source>
        <translation>could not be made</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>……另有 %1 项</source>
        <translation>… and %1 more</translation>
    </message>
    <message>
        <source>已打开工作区 %1，以下 %2 项未能完成：
%3</source>
        <translation>Opened the workspace %1; these %2 items could not be completed:
%3</translation>
    </message>
    <message>
        <source>序列将多于 %1 个，未加入</source>
        <translation>there would be more than %1 sequences; not added</translation>
    </message>
</context>
<context>
    <name>quillet::pages::CWorkspaceSettingsTab</name>
    <message>
        <source>启动时打开上次保存或打开的工作区</source>
        <translation>Open the workspace last saved or opened at start</translation>
    </message>
    <message>
        <source>工作区</source>
        <translation>Workspace</translation>
    </message>
</context>
<context>
    <name>quillet::pages::FailureCause</name>
    <message>
        <source>地址或端口已被占用</source>
        <translation>the address or port is already in use</translation>
    </message>
    <message>
        <source>本机没有这个地址</source>
        <translation>this host has no such address</translation>
    </message>
    <message>
        <source>对方拒绝连接</source>
        <translation>the other side refused the connection</translation>
    </message>
    <message>
        <source>没有到对方的路由</source>
        <translation>there is no route to the other side</translation>
    </message>
    <message>
        <source>网络已断开</source>
        <translation>the network is down</translation>
    </message>
    <message>
        <source>权限不够</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>连接超时</source>
        <translation>the connection timed out</translation>
    </message>
    <message>
        <source>打开的文件太多</source>
        <translation>too many open files</translation>
    </message>
    <message>
        <source>文件或文件夹不存在</source>
        <translation>no such file or folder</translation>
    </message>
    <message>
        <source>路径不是文件</source>
        <translation>the path is not a file</translation>
    </message>
    <message>
        <source>文件系统只读</source>
        <translation>the file system is read-only</translation>
    </message>
    <message>
        <source>本机不支持这种地址</source>
        <translation>this host does not support this kind of address</translation>
    </message>
    <message>
        <source>系统资源不足</source>
        <translation>not enough system resources</translation>
    </message>
    <message>
        <source>输入输出错误</source>
        <translation>input/output error</translation>
    </message>
    <message>
        <source>连接被对方重置</source>
        <translation>the connection was reset by the other side</translation>
    </message>
    <message>
        <source>系统错误 %1</source>
        <translation>system error %1</translation>
    </message>
    <message>
        <source>原因: %1</source>
        <translation>Cause: %1</translation>
    </message>
    <message>
        <source>文件名太长</source>
        <translation>the file name is too long</translation>
    </message>
    <message>
        <source>文件太大</source>
        <translation>the file is too large</translation>
    </message>
</context>
<context>
    <name>quillet::pages::FileSender</name>
    <message>
        <source>正在发送另一个文件，请等它发完或取消。</source>
        <translation>Another file is being sent; wait for it to finish or cancel it.</translation>
    </message>
    <message>
        <source>文件大于 65507 字节，不能作为一个数据报发送。</source>
        <translation>The file is larger than 65507 bytes and cannot go as one datagram.</translation>
    </message>
    <message>
        <source>正在发送文件……</source>
        <translation>Sending the file…</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>发送文件</source>
        <translation>Send File</translation>
    </message>
    <message>
        <source>连接已断开</source>
        <translation>the connection was lost</translation>
    </message>
    <message>
        <source>文件在发送中变短了：已发送 %1 字节，原有 %2 字节。</source>
        <translation>The file got shorter while being sent: %1 bytes sent, it had %2.</translation>
    </message>
    <message>
        <source>文件已发送：%1 字节。</source>
        <translation>File sent: %1 bytes.</translation>
    </message>
    <message>
        <source>发送出错</source>
        <translation>sending failed</translation>
    </message>
    <message>
        <source>正在发送：已发送 %1 字节</source>
        <translation>Sending: %1 bytes sent</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>已发送 %1 字节</source>
        <translation>%1 bytes sent</translation>
    </message>
    <message>
        <source>已发送 %1 字节，共 %2 字节</source>
        <translation>%1 of %2 bytes sent</translation>
    </message>
    <message>
        <source>已停止发送：%1。</source>
        <translation>Sending stopped: %1.</translation>
    </message>
    <message>
        <source>已取消发送文件：%1。</source>
        <translation>File sending cancelled: %1.</translation>
    </message>
    <message>
        <source>%1，文件未发完：%2。</source>
        <translation>%1; the file was not sent whole: %2.</translation>
    </message>
    <message>
        <source>无法读取文件：%1
%2</source>
        <translation>Cannot read the file: %1
%2</translation>
    </message>
    <message>
        <source>读取文件出错：%1。
%2</source>
        <translation>Error reading the file: %1.
%2</translation>
    </message>
</context>
<context>
    <name>quillet::pages::ListFile</name>
    <message>
        <source>JSON 文件 (*.json);;所有文件 (*)</source>
        <translation>JSON files (*.json);;All files (*)</translation>
    </message>
</context>
<context>
    <name>quillet::pages::ListFileJobs</name>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
</context>
<context>
    <name>quillet::pages::LogSaver</name>
    <message>
        <source>正在保存日志……</source>
        <translation>Saving the log…</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>保存日志</source>
        <translation>Save log</translation>
    </message>
    <message>
        <source>保存失败：%1</source>
        <translation>Saving failed: %1</translation>
    </message>
    <message>
        <source>连接已删除</source>
        <translation>the connection was deleted</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>quillet::pages::LogSettings</name>
    <message>
        <source>设置文件中的 %1 (%2) 超出范围 %3 到 %4, 已改为 %5。</source>
        <translation>%1 in the settings file (%2) is outside %3 to %4; it was changed to %5.</translation>
    </message>
</context>
<context>
    <name>quillet::pages::RepeatSender</name>
    <message>
        <source>连接已关闭</source>
        <translation>the connection closed</translation>
    </message>
</context>
<context>
    <name>quillet::pages::SavedMessages</name>
    <message>
        <source>不是对象</source>
        <translation>not an object</translation>
    </message>
    <message>
        <source>name 须为非空的文本</source>
        <translation>name must be a non-empty text</translation>
    </message>
    <message>
        <source>form 须为 text、hex 或 escapes</source>
        <translation>form must be text, hex or escapes</translation>
    </message>
    <message>
        <source>text 须为非空的文本</source>
        <translation>text must be a non-empty text</translation>
    </message>
    <message>
        <source>lineEnding 须为 lf、crlf、cr 或 none</source>
        <translation>lineEnding must be lf, crlf, cr or none</translation>
    </message>
    <message>
        <source>版本未知（只认得版本 %1）</source>
        <translation>unknown version (only version %1 is known)</translation>
    </message>
    <message>
        <source>没有 messages 列表</source>
        <translation>no messages list</translation>
    </message>
    <message>
        <source>消息多于 %1 条</source>
        <translation>more than %1 messages</translation>
    </message>
    <message>
        <source>第 %1 条消息：%2</source>
        <translation>message %1: %2</translation>
    </message>
    <message>
        <source>第 %1 条消息（%2）：%3</source>
        <translation>message %1 (%2): %3</translation>
    </message>
</context>
<context>
    <name>quillet::pages::SendController</name>
    <message>
        <source>重复发送已停止：%1。已发送 %2 次。</source>
        <translation>Repeat stopped: %1. Sent %2 times.</translation>
    </message>
    <message>
        <source>请选择接收端！</source>
        <translation>Please select a receiver!</translation>
    </message>
    <message>
        <source>提示!</source>
        <translation>Notice!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>发送内容不是有效的十六进制数据！</source>
        <translation>The text to send is not valid hexadecimal data!</translation>
    </message>
    <message>
        <source>发送窗口没有内容。</source>
        <translation>The send box is empty.</translation>
    </message>
    <message>
        <source>无法创建发送线程！
已发送 %1 字节，未发送 %2 字节。</source>
        <translation>No sending thread could be started!
%1 bytes sent, %2 bytes not sent.</translation>
    </message>
    <message>
        <source>对方已经断开！
已发送 %1 字节，未发送 %2 字节。</source>
        <translation>The peer has disconnected!
%1 bytes sent, %2 bytes not sent.</translation>
    </message>
    <message>
        <source>发送	Ctrl+Enter</source>
        <translation>Send	Ctrl+Enter</translation>
    </message>
    <message>
        <source>按十六进制发送一次	Ctrl+Shift+H</source>
        <translation>Send Once as Hex	Ctrl+Shift+H</translation>
    </message>
    <message>
        <source>按转义字符发送一次	Ctrl+Shift+E</source>
        <translation>Send Once with Escapes	Ctrl+Shift+E</translation>
    </message>
    <message>
        <source>常用消息...	Ctrl+M</source>
        <translation>Saved Messages...	Ctrl+M</translation>
    </message>
    <message>
        <source>存为常用消息	Ctrl+Shift+M</source>
        <translation>Save as a Message	Ctrl+Shift+M</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation>History</translation>
    </message>
    <message>
        <source>重复发送...</source>
        <translation>Repeat...</translation>
    </message>
    <message>
        <source>停止重复发送</source>
        <translation>Stop repeating</translation>
    </message>
    <message>
        <source>发送文件...</source>
        <translation>Send file...</translation>
    </message>
    <message>
        <source>发送给所有连接</source>
        <translation>Send to all</translation>
    </message>
    <message>
        <source>序列...	Ctrl+Shift+Q</source>
        <translation>Sequences...	Ctrl+Shift+Q</translation>
    </message>
    <message>
        <source>自动回复...</source>
        <translation>Auto-reply...</translation>
    </message>
    <message>
        <source>发送选项...</source>
        <translation>Sending options...</translation>
    </message>
    <message>
        <source>未建立链接！</source>
        <translation>No connection established!</translation>
    </message>
    <message>
        <source>已有序列在运行，请先停止。</source>
        <translation>A sequence is running; stop it first.</translation>
    </message>
    <message>
        <source>该连接正在重复发送，请先停止。</source>
        <translation>This connection is repeating already; stop it first.</translation>
    </message>
    <message>
        <source>正在发送另一个文件，请等它发完或取消。</source>
        <translation>Another file is being sent; wait for it to finish or cancel it.</translation>
    </message>
    <message>
        <source>已发送给 %1 个连接，%2 个失败。</source>
        <translation>Sent to %1 connections, %2 failed.</translation>
    </message>
    <message>
        <source>自动回复的内容无法按当前编码发送，自动回复未改变。</source>
        <translation>The automatic reply cannot be sent in the current encoding; the automatic reply was not changed.</translation>
    </message>
</context>
<context>
    <name>quillet::pages::SendForms</name>
    <message>
        <source>“%1”不是十六进制数字</source>
        <translation>“%1” is not a hex digit</translation>
    </message>
    <message>
        <source>十六进制数字须两个一组</source>
        <translation>hex digits must come in pairs</translation>
    </message>
    <message>
        <source>没有要发送的字节</source>
        <translation>there are no bytes to send</translation>
    </message>
    <message>
        <source>未知的转义“\%1”</source>
        <translation>unknown escape “\%1”</translation>
    </message>
    <message>
        <source>\x 后须有两位十六进制数字</source>
        <translation>\x must be followed by two hex digits</translation>
    </message>
    <message>
        <source>末尾的反斜杠后没有转义字符</source>
        <translation>the backslash at the end escapes nothing</translation>
    </message>
    <message>
        <source>发送内容有错，未发送：%1。</source>
        <translation>The text to send is wrong and was not sent: %1.</translation>
    </message>
    <message>
        <source>第 %1 行第 %2 列，%3</source>
        <translation>line %1, column %2: %3</translation>
    </message>
</context>
<context>
    <name>quillet::pages::SequenceRunner</name>
    <message>
        <source>%1 失败：%2 毫秒内未收到所等的数据（%3）</source>
        <translation>%1 failed: the awaited data did not come within %2 ms (%3)</translation>
    </message>
    <message>
        <source>序列“%1”开始，共 %2 步</source>
        <translation>Sequence “%1” started, %2 steps</translation>
    </message>
    <message>
        <source>已停止，停在%1</source>
        <translation>stopped at %1</translation>
    </message>
    <message>
        <source>%1，停在%2</source>
        <translation>%1, stopped at %2</translation>
    </message>
    <message>
        <source>第 %1 步</source>
        <translation>step %1</translation>
    </message>
    <message>
        <source>序列“%1”完成</source>
        <translation>Sequence “%1” done</translation>
    </message>
    <message>
        <source>%1 失败：没有名为“%2”的常用消息</source>
        <translation>%1 failed: no saved message named “%2”</translation>
    </message>
    <message>
        <source>%1 失败：%2</source>
        <translation>%1 failed: %2</translation>
    </message>
    <message>
        <source>%1 失败：待发送的数据已达上限</source>
        <translation>%1 failed: the data waiting to be sent reached its limit</translation>
    </message>
    <message>
        <source>%1 失败：连接已断开</source>
        <translation>%1 failed: the connection is gone</translation>
    </message>
    <message>
        <source>%1 通过：%2</source>
        <translation>%1 passed: %2</translation>
    </message>
    <message>
        <source>序列“%1”%2</source>
        <translation>Sequence “%1”: %2</translation>
    </message>
</context>
<context>
    <name>quillet::pages::Sequences</name>
    <message>
        <source>saved 须为常用消息的名称</source>
        <translation>saved must be the name of a saved message</translation>
    </message>
    <message>
        <source>form 须为 text、hex 或 escapes</source>
        <translation>form must be text, hex or escapes</translation>
    </message>
    <message>
        <source>text 须为文本</source>
        <translation>text must be a text</translation>
    </message>
    <message>
        <source>lineEnding 须为 lf、crlf、cr 或 none</source>
        <translation>lineEnding must be lf, crlf, cr or none</translation>
    </message>
    <message>
        <source>不是对象</source>
        <translation>not an object</translation>
    </message>
    <message>
        <source>kind 须为 send、wait、expect 或 repeat</source>
        <translation>kind must be send, wait, expect or repeat</translation>
    </message>
    <message>
        <source>ms 须为 0 到 86400000 之间的整数</source>
        <translation>ms must be a whole number from 0 to 86400000</translation>
    </message>
    <message>
        <source>match 须为 contains、regex 或 hex</source>
        <translation>match must be contains, regex or hex</translation>
    </message>
    <message>
        <source>from 须为此步之前的一步，count 须为 0 或正整数</source>
        <translation>from must be a step before this one and count 0 or a positive whole number</translation>
    </message>
    <message>
        <source>name 须为非空的文本</source>
        <translation>name must be a non-empty text</translation>
    </message>
    <message>
        <source>steps 须为不多于 100000 步的列表</source>
        <translation>steps must be a list of at most 100000 steps</translation>
    </message>
    <message>
        <source>第 %1 步</source>
        <translation>step %1</translation>
    </message>
    <message>
        <source>要发送的内容为空</source>
        <translation>nothing to send</translation>
    </message>
    <message>
        <source>等待时间超出范围</source>
        <translation>the time is out of range</translation>
    </message>
    <message>
        <source>要等待的内容为空</source>
        <translation>nothing to wait for</translation>
    </message>
    <message>
        <source>正则表达式无效：%1</source>
        <translation>invalid regular expression: %1</translation>
    </message>
    <message>
        <source>重复的起始步须在此步之前</source>
        <translation>the repeated block must start before this step</translation>
    </message>
    <message>
        <source>重复次数超出范围</source>
        <translation>the count is out of range</translation>
    </message>
    <message>
        <source>发送常用消息“%1”</source>
        <translation>send saved message “%1”</translation>
    </message>
    <message>
        <source>发送十六进制 %1</source>
        <translation>send hex %1</translation>
    </message>
    <message>
        <source>发送（转义字符）“%1”</source>
        <translation>send (escapes) “%1”</translation>
    </message>
    <message>
        <source>发送“%1”</source>
        <translation>send “%1”</translation>
    </message>
    <message>
        <source>等待 %1 毫秒</source>
        <translation>wait %1 ms</translation>
    </message>
    <message>
        <source>%1 毫秒内等待收到十六进制 %2</source>
        <translation>wait up to %1 ms for hex %2</translation>
    </message>
    <message>
        <source>%1 毫秒内等待收到匹配 /%2/ 的数据</source>
        <translation>wait up to %1 ms for data matching /%2/</translation>
    </message>
    <message>
        <source>%1 毫秒内等待收到含“%2”的数据</source>
        <translation>wait up to %1 ms for data containing “%2”</translation>
    </message>
    <message>
        <source>从第 %1 步起重复，直到停止</source>
        <translation>repeat from step %1 until stopped</translation>
    </message>
    <message>
        <source>从第 %1 步起重复，共 %2 遍</source>
        <translation>repeat from step %1, %2 runs in all</translation>
    </message>
    <message>
        <source>不是 JSON 对象</source>
        <translation>not a JSON object</translation>
    </message>
    <message>
        <source>版本未知（只认得版本 %1）</source>
        <translation>unknown version (only version %1 is known)</translation>
    </message>
    <message>
        <source>没有 sequences 列表</source>
        <translation>no sequences list</translation>
    </message>
    <message>
        <source>序列多于 %1 个</source>
        <translation>more than %1 sequences</translation>
    </message>
    <message>
        <source>第 %1 个序列</source>
        <translation>sequence %1</translation>
    </message>
    <message>
        <source>第 %1 个序列（%2）</source>
        <translation>sequence %1 (%2)</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>quillet::pages::SocketOptionsBox</name>
    <message>
        <source>保活</source>
        <translation>keep-alive</translation>
    </message>
    <message>
        <source>保活 %1/%2/%3</source>
        <translation>keep-alive %1/%2/%3</translation>
    </message>
    <message>
        <source>连接超时 %1 秒</source>
        <translation>connect time-out %1 s</translation>
    </message>
    <message>
        <source>源端口 %1</source>
        <translation>source port %1</translation>
    </message>
    <message>
        <source>仅 IPv6</source>
        <translation>IPv6 only</translation>
    </message>
    <message>
        <source>无 SO_REUSEADDR</source>
        <translation>no SO_REUSEADDR</translation>
    </message>
    <message>
        <source>套接字选项</source>
        <translation>Socket options</translation>
    </message>
    <message>
        <source>保活 (SO_KEEPALIVE)</source>
        <translation>Keep-alive (SO_KEEPALIVE)</translation>
    </message>
    <message>
        <source>空闲时间 (秒):</source>
        <translation>Idle time (s):</translation>
    </message>
    <message>
        <source>探测间隔 (秒):</source>
        <translation>Probe interval (s):</translation>
    </message>
    <message>
        <source>探测次数:</source>
        <translation>Probe count:</translation>
    </message>
    <message>
        <source>连接超时 (秒):</source>
        <translation>Connect time-out (s):</translation>
    </message>
    <message>
        <source>源端口:</source>
        <translation>Source port:</translation>
    </message>
    <message>
        <source>系统默认</source>
        <translation>system default</translation>
    </message>
    <message>
        <source>任意</source>
        <translation>any</translation>
    </message>
    <message>
        <source>仅 IPv6 (监听 [::] 时)</source>
        <translation>IPv6 only (when listening on [::])</translation>
    </message>
    <message>
        <source>“%1”应为 %2 到 %3 的整数！</source>
        <translation>&quot;%1&quot; must be a whole number from %2 to %3!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
</context>
<context>
    <name>quillet::pages::TcpSendController</name>
    <message>
        <source>未建立链接！</source>
        <translation>No connection established!</translation>
    </message>
    <message>
        <source>提示!</source>
        <translation>Notice!</translation>
    </message>
    <message>
        <source>待发送的数据已达 64 MB，本次内容未发送！</source>
        <translation>The data waiting to be sent has reached 64 MB; this text was not sent!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>对方已经断开！</source>
        <translation>The peer has disconnected!</translation>
    </message>
</context>
<context>
    <name>quillet::pages::TlsChoice</name>
    <message>
        <source>私钥密码</source>
        <translation>Key password</translation>
    </message>
    <message>
        <source>私钥 %1 需要密码:</source>
        <translation>The key %1 needs a password:</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>证书不是受信任的机构签发的 (未知 CA)</source>
        <translation>the certificate was not issued by a trusted authority (unknown CA)</translation>
    </message>
    <message>
        <source>证书与服务器名称不符</source>
        <translation>the certificate does not match the server&apos;s name</translation>
    </message>
    <message>
        <source>证书已过期或尚未生效</source>
        <translation>the certificate has expired or is not valid yet</translation>
    </message>
    <message>
        <source>双方没有共同支持的协议版本</source>
        <translation>no protocol version both sides support</translation>
    </message>
    <message>
        <source>对方不是在说 TLS</source>
        <translation>the peer is not speaking TLS</translation>
    </message>
    <message>
        <source>TLS 握手超时</source>
        <translation>the TLS handshake timed out</translation>
    </message>
    <message>
        <source>对方在握手中关闭了连接</source>
        <translation>the peer closed the connection during the handshake</translation>
    </message>
    <message>
        <source>TLS 握手失败</source>
        <translation>the TLS handshake failed</translation>
    </message>
    <message>
        <source>TLS 1.3</source>
        <translation>TLS 1.3</translation>
    </message>
    <message>
        <source>TLS 1.2+</source>
        <translation>TLS 1.2+</translation>
    </message>
    <message>
        <source>, 不验证服务器</source>
        <translation>, server not verified</translation>
    </message>
    <message>
        <source>找不到文件 %1</source>
        <translation>file %1 not found</translation>
    </message>
</context>
<context>
    <name>quillet::pages::TlsMenuItems</name>
    <message>
        <source>开始 TLS</source>
        <translation>Start TLS</translation>
    </message>
    <message>
        <source>证书...</source>
        <translation>Certificate...</translation>
    </message>
</context>
<context>
    <name>quillet::pages::UdpSendController</name>
    <message>
        <source>发送出错了！</source>
        <translation>Sending failed!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>发送出错！</source>
        <translation>Sending failed!</translation>
    </message>
</context>
<context>
    <name>quillet::pages::Workspace</name>
    <message>
        <source>缺少此项</source>
        <translation>missing</translation>
    </message>
    <message>
        <source>应为 %1 到 %2 之间的整数</source>
        <translation>should be a whole number from %1 to %2</translation>
    </message>
    <message>
        <source>应为文本</source>
        <translation>should be text</translation>
    </message>
    <message>
        <source>应为非空的文本（至多 255 个字符）</source>
        <translation>should be non-empty text (at most 255 characters)</translation>
    </message>
    <message>
        <source>应为 true 或 false</source>
        <translation>should be true or false</translation>
    </message>
    <message>
        <source>应为对象</source>
        <translation>should be an object</translation>
    </message>
    <message>
        <source>应为空、dual 或本机的一个地址</source>
        <translation>should be empty, dual or one of this host&apos;s addresses</translation>
    </message>
    <message>
        <source>应为空、auto 或本机的一个地址</source>
        <translation>should be empty, auto or one of this host&apos;s addresses</translation>
    </message>
    <message>
        <source>此页的端点没有这一项</source>
        <translation>endpoints of this page have no such entry</translation>
    </message>
    <message>
        <source>本地端口将超过 65535</source>
        <translation>the local ports would go beyond 65535</translation>
    </message>
    <message>
        <source>不是组播地址（224.0.0.0 到 239.255.255.255，或 ff00::/8）</source>
        <translation>not a multicast address (224.0.0.0 to 239.255.255.255, or ff00::/8)</translation>
    </message>
    <message>
        <source>应为 off、echo 或 fixed</source>
        <translation>should be off, echo or fixed</translation>
    </message>
    <message>
        <source>固定回复不能为空</source>
        <translation>a fixed reply cannot be empty</translation>
    </message>
    <message>
        <source>未知的页面</source>
        <translation>unknown page</translation>
    </message>
    <message>
        <source>应为列表</source>
        <translation>should be a list</translation>
    </message>
    <message>
        <source>服务器页至多有一个端点</source>
        <translation>a server page has at most one endpoint</translation>
    </message>
    <message>
        <source>端点太多</source>
        <translation>too many endpoints</translation>
    </message>
    <message>
        <source>应为 lf、crlf、cr 或 none</source>
        <translation>should be lf, crlf, cr or none</translation>
    </message>
    <message>
        <source>版本未知（只认得版本 %1）</source>
        <translation>unknown version (only version %1 is known)</translation>
    </message>
    <message>
        <source>此页已在前面出现</source>
        <translation>this page came earlier already</translation>
    </message>
    <message>
        <source>不是有效的 JSON（第 %1 字节：%2）</source>
        <translation>not valid JSON (at byte %1: %2)</translation>
    </message>
    <message>
        <source>不是 JSON 对象</source>
        <translation>not a JSON object</translation>
    </message>
    <message>
        <source>文件不存在</source>
        <translation>no such file</translation>
    </message>
    <message>
        <source>不是普通文件</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>文件大于 16 MB</source>
        <translation>the file is larger than 16 MB</translation>
    </message>
    <message>
        <source>TLS 选择没有这一项</source>
        <translation>a TLS choice has no such entry</translation>
    </message>
    <message>
        <source>应为 none、request 或 require</source>
        <translation>should be none, request or require</translation>
    </message>
    <message>
        <source>应为 1.2 或 1.3</source>
        <translation>should be 1.2 or 1.3</translation>
    </message>
    <message>
        <source>不是可读的套接字选项</source>
        <translation>not socket options that can be read</translation>
    </message>
</context>
<context>
    <name>quillet::pages::settings</name>
    <message>
        <source>设置文件 %1 已损坏, 无法读取; 程序从默认设置开始 (原文件已改名为 %2)。</source>
        <translation>The settings file %1 is damaged and cannot be read; the program starts from the defaults (the old file is now %2).</translation>
    </message>
</context>
<context>
    <name>quillet::shell::CAbout</name>
    <message>
        <source>关于Quillet</source>
        <translation>About Quillet</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>SOCKET 测试工具 VER1.1</source>
        <translation>SOCKET Test Tool VER1.1</translation>
    </message>
</context>
<context>
    <name>quillet::shell::CHelp</name>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>1.本软件为Socket编程测试工具，版本1.1
2.本软件具有以下功能：
    (1) 支持TCP协议服务器及客户端的创建及信息的收发;
    (2) 支持UDP协议服务器及客户端的创建及信息的收发;
    (3) 支持广播信息的收发;
    (4) 支持组播组的创建、加入及信息的收发;
    (5) 支持几十种信息编码格式信息(比如：Unocode、UTF8、GBK、...)的收发;
    (6) 支持一次创建多个客户端、服务端，可用于对服务器进行压力测试。
3.本软件支持win7/8/10等系统。

</source>
        <translation>1. This software is a tool for testing socket programs, version 1.1
2. It offers the following functions:
    (1) creating TCP servers and clients, and sending and receiving messages;
    (2) creating UDP servers and clients, and sending and receiving messages;
    (3) sending and receiving broadcast messages;
    (4) creating and joining multicast groups, and sending and receiving messages;
    (5) sending and receiving messages in dozens of encodings (for example Unicode, UTF8, GBK, ...);
    (6) creating many clients or servers at once, for stress-testing a server.
3. This software runs on Windows 7/8/10 and similar systems.

</translation>
    </message>
</context>
<context>
    <name>quillet::shell::CMgrDlg</name>
    <message>
        <source>TCP 服务器</source>
        <translation>TCP Server</translation>
    </message>
    <message>
        <source>TCP 客户端</source>
        <translation>TCP Client</translation>
    </message>
    <message>
        <source>UDP 服务器</source>
        <translation>UDP Server</translation>
    </message>
    <message>
        <source>UDP 客户端</source>
        <translation>UDP Client</translation>
    </message>
    <message>
        <source>UDP 广播</source>
        <translation>UDP Broadcast</translation>
    </message>
    <message>
        <source>组播 创建组</source>
        <translation>Multicast Create Group</translation>
    </message>
    <message>
        <source>组播 加入组</source>
        <translation>Multicast Join Group</translation>
    </message>
    <message>
        <source>%1（Ctrl+PageUp / Ctrl+PageDown 切换页面）</source>
        <translation>%1 (Ctrl+PageUp / Ctrl+PageDown switch pages)</translation>
    </message>
    <message>
        <source>协议页</source>
        <translation>Protocol pages</translation>
    </message>
</context>
<context>
    <name>quillet::ui::COfficeXPMenu</name>
    <message>
        <source>设置(&amp;M)</source>
        <translation>Settings(&amp;M)</translation>
    </message>
    <message>
        <source>设置        (&amp;Alt+S)</source>
        <translation>Settings        (&amp;Alt+S)</translation>
    </message>
    <message>
        <source>帮助        (&amp;Alt+H)</source>
        <translation>Help        (&amp;Alt+H)</translation>
    </message>
    <message>
        <source>关于        (&amp;Alt+A)</source>
        <translation>About        (&amp;Alt+A)</translation>
    </message>
    <message>
        <source>退出        (&amp;Alt+X)</source>
        <translation>Exit        (&amp;Alt+X)</translation>
    </message>
</context>
<context>
    <name>quillet::ui::CSkinBtn</name>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>菜单</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>创建</source>
        <translation>Create</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>清除已接收信息</source>
        <translation>Clear received messages</translation>
    </message>
    <message>
        <source>清除已发送信息</source>
        <translation>Clear sent messages</translation>
    </message>
    <message>
        <source>停止监听</source>
        <translation>Stop listening</translation>
    </message>
    <message>
        <source>监听</source>
        <translation>Listen</translation>
    </message>
    <message>
        <source>启动接收</source>
        <translation>Start receiving</translation>
    </message>
    <message>
        <source>停止接收</source>
        <translation>Stop receiving</translation>
    </message>
</context>
<context>
    <name>quillet::ui::ShowMessage</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
</TS>
