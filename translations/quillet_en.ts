<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>quillet::enc::CSet</name>
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
        <translation>Encoding of sent and received messages:</translation>
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
        <source>发送内容不是有效的十六进制数据！</source>
        <translation>The text to send is not valid hexadecimal data!</translation>
    </message>
    <message>
        <source>未选择要清除的连接</source>
        <translation>No connection selected to clear</translation>
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
        <source>未建立链接！</source>
        <translation>No connection established!</translation>
    </message>
    <message>
        <source>待发送的数据已达 64 MB，本次内容未发送！</source>
        <translation>The data waiting to be sent has reached 64 MB; this text was not sent!</translation>
    </message>
    <message>
        <source>对方已经断开！</source>
        <translation>The peer has disconnected!</translation>
    </message>
    <message>
        <source>对方已经断开！
已发送 %1 字节，未发送 %2 字节。</source>
        <translation>The peer has disconnected!
%1 bytes sent, %2 bytes not sent.</translation>
    </message>
    <message>
        <source>发送出错了！</source>
        <translation>Sending failed!</translation>
    </message>
    <message>
        <source>发送出错！</source>
        <translation>Sending failed!</translation>
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
    <message>
        <source>Ip 地址有错!</source>
        <translation>Invalid IP address!</translation>
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
