<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>About Printune</source>
        <translation>关于 Printune</translation>
    </message>
    <message>
        <source>Printune Version 1.124.0</source>
        <translation>Printune 版本 1.124.0</translation>
    </message>
    <message>
        <source>Configuration and service tool for Vortan mini printers</source>
        <translation>Vortan 微型打印机配置与维护工具</translation>
    </message>
    <message>
        <source>Copyright (C) Vortan</source>
        <translation>版权所有 (C) Vortan</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>System check</source>
        <translation>系统检查</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Copy the system check to the clipboard</source>
        <translation>把系统检查结果复制到剪贴板</translation>
    </message>
</context>
<context>
    <name>CBluetoothSetupDlg</name>
    <message>
        <source>Bluetooth Settings</source>
        <translation>蓝牙设置</translation>
    </message>
    <message>
        <source>Bluetooth Name:</source>
        <translation>蓝牙名称:</translation>
    </message>
    <message>
        <source>Bluetooth Password:</source>
        <translation>蓝牙密码:</translation>
    </message>
    <message>
        <source>Mac Address:</source>
        <translation>MAC 地址:</translation>
    </message>
    <message>
        <source>Send Settings</source>
        <translation>发送设置</translation>
    </message>
    <message>
        <source>Get Bluetooth Settings</source>
        <translation>获取蓝牙设置</translation>
    </message>
    <message>
        <source>Restore all Settings</source>
        <translation>恢复所有设置</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>CCommLogDlg</name>
    <message>
        <source>Communication Log</source>
        <translation>通信日志</translation>
    </message>
    <message>
        <source>Transport:</source>
        <translation>传输方式：</translation>
    </message>
    <message>
        <source>Show the events of one transport only</source>
        <translation>只显示一种传输方式的事件</translation>
    </message>
    <message>
        <source>Record while closed</source>
        <translation>关闭时继续记录</translation>
    </message>
    <message>
        <source>Keep recording the communication when this window is closed</source>
        <translation>关闭本窗口后继续记录通信</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Remove every event from the log</source>
        <translation>清除日志中的全部事件</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>保存...</translation>
    </message>
    <message>
        <source>Save the events shown as a trace file (JSON Lines)</source>
        <translation>将显示的事件保存为通信记录文件（JSON Lines）</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Copy the selected rows, or all rows shown, as text</source>
        <translation>以文本复制选中的行，未选中时复制显示的全部行</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
</context>
<context>
    <name>CCommandTest</name>
    <message>
        <source>Send Data </source>
        <translation>发送数据 </translation>
    </message>
    <message>
        <source>Input Box:</source>
        <translation>输入框：</translation>
    </message>
    <message>
        <source>hex send</source>
        <translation>十六进制发送</translation>
    </message>
    <message>
        <source>loop send</source>
        <translation>循环发送</translation>
    </message>
    <message>
        <source>loop interval</source>
        <translation>循环间隔</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>毫秒</translation>
    </message>
    <message>
        <source>Send Data</source>
        <translation>发送数据</translation>
    </message>
    <message>
        <source>Stop Sending</source>
        <translation>停止发送</translation>
    </message>
    <message>
        <source>Clear Box</source>
        <translation>清空输入框</translation>
    </message>
    <message>
        <source>Printer Reply</source>
        <translation>打印机回复</translation>
    </message>
    <message>
        <source>Reply window:</source>
        <translation>回复等待：</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> 毫秒</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清空</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>保存...</translation>
    </message>
    <message>
        <source>Send File</source>
        <translation>发送文件</translation>
    </message>
    <message>
        <source>File Path:</source>
        <translation>文件路径：</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>浏览</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>No reply.</source>
        <translation>无回复。</translation>
    </message>
    <message>
        <source>The replies could not be saved to %1.</source>
        <translation>无法将回复保存到 %1。</translation>
    </message>
</context>
<context>
    <name>CEdtCfgDlg</name>
    <message>
        <source>Configure Network</source>
        <translation>网络配置</translation>
    </message>
    <message>
        <source>*Click &quot;OK&quot; button to modify the printer&apos;s network configuration that you had changed.</source>
        <translation>*点击“确定”按钮，将您修改过的网络配置写入打印机。</translation>
    </message>
    <message>
        <source>Unalterable paramaters</source>
        <translation>不可修改的参数</translation>
    </message>
    <message>
        <source>Device name:</source>
        <translation>设备名称:</translation>
    </message>
    <message>
        <source>FW Version:</source>
        <translation>固件版本:</translation>
    </message>
    <message>
        <source>MAC address:</source>
        <translation>MAC 地址:</translation>
    </message>
    <message>
        <source>Device SN:</source>
        <translation>设备序列号:</translation>
    </message>
    <message>
        <source>Network paramaters</source>
        <translation>网络参数</translation>
    </message>
    <message>
        <source>DHCP:</source>
        <translation>DHCP:</translation>
    </message>
    <message>
        <source>Current IP address:</source>
        <translation>当前 IP 地址:</translation>
    </message>
    <message>
        <source>IP address:</source>
        <translation>IP 地址:</translation>
    </message>
    <message>
        <source>Subnet mask:</source>
        <translation>子网掩码:</translation>
    </message>
    <message>
        <source>Gateway IP address:</source>
        <translation>网关 IP 地址:</translation>
    </message>
    <message>
        <source>Print paramaters</source>
        <translation>打印参数</translation>
    </message>
    <message>
        <source>Monitor port:</source>
        <translation>监听端口:</translation>
    </message>
    <message>
        <source>Printing timeout:</source>
        <translation>打印超时:</translation>
    </message>
    <message>
        <source>[Sec.]</source>
        <translation>[秒]</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>CEdtCfgDlgUSB</name>
    <message>
        <source>Configure Network (USB)</source>
        <translation>网络配置 (USB)</translation>
    </message>
    <message>
        <source>DHCP:</source>
        <translation>DHCP:</translation>
    </message>
    <message>
        <source>IP address:</source>
        <translation>IP 地址:</translation>
    </message>
    <message>
        <source>subnet mask:</source>
        <translation>子网掩码:</translation>
    </message>
    <message>
        <source>Gateway IP address:</source>
        <translation>网关 IP 地址:</translation>
    </message>
    <message>
        <source>Send By Ether</source>
        <translation>网口发送</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>CEnternetSetting</name>
    <message>
        <source>Network Setting</source>
        <translation>网络设置</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Device selected</source>
        <translation>已选设备</translation>
    </message>
    <message>
        <source>SN No.:</source>
        <translation>序列号:</translation>
    </message>
    <message>
        <source>Device name:</source>
        <translation>设备名称:</translation>
    </message>
    <message>
        <source>MAC address:</source>
        <translation>MAC 地址:</translation>
    </message>
    <message>
        <source>IP address:</source>
        <translation>IP 地址:</translation>
    </message>
    <message>
        <source>Monitor port:</source>
        <translation>监听端口:</translation>
    </message>
    <message>
        <source>Setup printer</source>
        <translation>设置打印机</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Found: %1    Time left: %2 s</source>
        <translation>已找到: %1    剩余时间: %2 秒</translation>
    </message>
    <message>
        <source>Found: %1</source>
        <translation>已找到: %1</translation>
    </message>
    <message>
        <source>Current condition is busy. Please try again.</source>
        <translation>当前状态忙，请重试。</translation>
    </message>
    <message>
        <source>Searching....</source>
        <translation>正在搜索....</translation>
    </message>
    <message>
        <source>Network printer is seaching. Please try again later.</source>
        <translation>正在搜索网络打印机，请稍后再试。</translation>
    </message>
    <message>
        <source>Setting....</source>
        <translation>正在设置....</translation>
    </message>
    <message>
        <source>Unable to send file to port.</source>
        <translation>无法发送文件到端口。</translation>
    </message>
    <message>
        <source>Search range…</source>
        <translation>搜索范围…</translation>
    </message>
    <message>
        <source>Addresses in other subnets to ask as well: a.b.c.d, a.b.c.d-e, a.b.c.d/nn, comma-separated</source>
        <translation>同时询问其他子网中的地址：a.b.c.d、a.b.c.d-e、a.b.c.d/nn，以逗号分隔</translation>
    </message>
</context>
<context>
    <name>CHT740EnthernetDlg</name>
    <message>
        <source>Network Settings</source>
        <translation>网络设置</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Device selected</source>
        <translation>已选设备</translation>
    </message>
    <message>
        <source>Device Name:</source>
        <translation>设备名称:</translation>
    </message>
    <message>
        <source>MAC Address:</source>
        <translation>MAC 地址:</translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation>IP 地址:</translation>
    </message>
    <message>
        <source>Setup printer</source>
        <translation>设置打印机</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Searching....</source>
        <translation>正在搜索....</translation>
    </message>
    <message>
        <source>Found: %1</source>
        <translation>已找到: %1</translation>
    </message>
    <message>
        <source>Network printer is seaching. Please try again later.</source>
        <translation>正在搜索网络打印机，请稍后再试。</translation>
    </message>
    <message>
        <source>You must select one printer or click cancel to exit.</source>
        <translation>您必须选择一台打印机，或点击取消退出。</translation>
    </message>
    <message>
        <source>Search range…</source>
        <translation>搜索范围…</translation>
    </message>
    <message>
        <source>Addresses in other subnets to ask as well: a.b.c.d, a.b.c.d-e, a.b.c.d/nn, comma-separated</source>
        <translation>同时询问其他子网中的地址：a.b.c.d、a.b.c.d-e、a.b.c.d/nn，以逗号分隔</translation>
    </message>
</context>
<context>
    <name>CInternalSetupHT740</name>
    <message>
        <source>Printer Language</source>
        <translation>打印机语言</translation>
    </message>
    <message>
        <source>English</source>
        <translation>英文</translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>Printing Direction</source>
        <translation>打印方向</translation>
    </message>
    <message>
        <source>Unidirectional</source>
        <translation>单向</translation>
    </message>
    <message>
        <source>Bidirectional</source>
        <translation>双向</translation>
    </message>
    <message>
        <source>Paper type</source>
        <translation>纸张类型</translation>
    </message>
    <message>
        <source>Single</source>
        <translation>一联&amp;二联</translation>
    </message>
    <message>
        <source>Multipart</source>
        <translation>三联</translation>
    </message>
    <message>
        <source>Paper Wide</source>
        <translation>纸宽</translation>
    </message>
    <message>
        <source>76mm</source>
        <translation>76mm</translation>
    </message>
    <message>
        <source>69mm</source>
        <translation>69mm</translation>
    </message>
    <message>
        <source>57mm</source>
        <translation>57mm</translation>
    </message>
    <message>
        <source>Cutter Switch</source>
        <translation>切刀开关</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>On</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Black Mark Setting</source>
        <translation>黑标设置</translation>
    </message>
    <message>
        <source>Black Mark</source>
        <translation>黑标</translation>
    </message>
    <message>
        <source>Black Mark to Home</source>
        <translation>黑标到起始位置</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>Black Mark to Cutter</source>
        <translation>黑标到切刀位置</translation>
    </message>
    <message>
        <source>Printer Status</source>
        <translation>打印机状态</translation>
    </message>
    <message>
        <source>Query Status</source>
        <translation>查询状态</translation>
    </message>
    <message>
        <source>Get Printer Settings</source>
        <translation>读取打印机设置</translation>
    </message>
    <message>
        <source>Restore All Settings</source>
        <translation>恢复全部设置</translation>
    </message>
    <message>
        <source>Send Settings</source>
        <translation>发送设置</translation>
    </message>
    <message>
        <source>Print Self-test</source>
        <translation>打印自检页</translation>
    </message>
    <message>
        <source>Asking…</source>
        <translation>正在查询…</translation>
    </message>
    <message>
        <source>Paper near end</source>
        <translation>纸将尽</translation>
    </message>
    <message>
        <source>Paper end</source>
        <translation>缺纸</translation>
    </message>
    <message>
        <source>Cover open</source>
        <translation>上盖打开</translation>
    </message>
    <message>
        <source>Cutter error</source>
        <translation>切刀错误</translation>
    </message>
    <message>
        <source>Off-line</source>
        <translation>脱机</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>就绪</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source>Reading the printer&apos;s settings…</source>
        <translation>正在读取打印机设置…</translation>
    </message>
    <message>
        <source>Restoring all settings…</source>
        <translation>正在恢复全部设置…</translation>
    </message>
    <message>
        <source>Waiting for the printer to restart…</source>
        <translation>正在等待打印机重新启动…</translation>
    </message>
    <message>
        <source>Save to File…</source>
        <translation>保存到文件…</translation>
    </message>
    <message>
        <source>Load from File…</source>
        <translation>从文件载入…</translation>
    </message>
</context>
<context>
    <name>CPagePortSet</name>
    <message>
        <source>Printer model</source>
        <translation>打印机型号</translation>
    </message>
    <message>
        <source>Choose your printer model</source>
        <translation>请选择打印机型号</translation>
    </message>
    <message>
        <source>Selection of interface</source>
        <translation>接口选择</translation>
    </message>
    <message>
        <source>Serial  interface</source>
        <translation>串口</translation>
    </message>
    <message>
        <source>Parallel  interface</source>
        <translation>并口</translation>
    </message>
    <message>
        <source>USB interface</source>
        <translation>USB 接口</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>网络</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Send config to printer</source>
        <translation>发送配置到打印机</translation>
    </message>
    <message>
        <source>Reset Wi-Fi settings</source>
        <translation>恢复 Wi-Fi 设置</translation>
    </message>
    <message>
        <source>Wi-Fi Setup</source>
        <translation>Wi-Fi 设置</translation>
    </message>
    <message>
        <source>Bluetooth Settings</source>
        <translation>蓝牙设置</translation>
    </message>
</context>
<context>
    <name>CPortSetParallel</name>
    <message>
        <source>Parallel Interface Setting</source>
        <translation>并口设置</translation>
    </message>
    <message>
        <source>Port number:</source>
        <translation>端口号：</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>CPortSetSerial</name>
    <message>
        <source>Serial Interface Setting</source>
        <translation>串口设置</translation>
    </message>
    <message>
        <source>Port number:</source>
        <translation>端口号：</translation>
    </message>
    <message>
        <source>Baudrate:</source>
        <translation>波特率：</translation>
    </message>
    <message>
        <source>Parity setup:</source>
        <translation>校验位：</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>偶校验</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>奇校验</translation>
    </message>
    <message>
        <source>Data bit:</source>
        <translation>数据位：</translation>
    </message>
    <message>
        <source>Stop bit:</source>
        <translation>停止位：</translation>
    </message>
    <message>
        <source>Flow control:</source>
        <translation>流控制：</translation>
    </message>
    <message>
        <source>DTR</source>
        <translation>硬件</translation>
    </message>
    <message>
        <source>Xon / Xoff</source>
        <translation>Xon / Xoff</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>CPrintingSetupKP520_1</name>
    <message>
        <source>Serial Number:</source>
        <translation>序列号:</translation>
    </message>
    <message>
        <source>Firmware Version:</source>
        <translation>固件版本:</translation>
    </message>
    <message>
        <source>Mileage of Print Head:</source>
        <translation>打印头里程:</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>Get Serial Number</source>
        <translation>获取序列号</translation>
    </message>
    <message>
        <source>Get FW Version</source>
        <translation>获取固件版本</translation>
    </message>
    <message>
        <source>Print Statistics</source>
        <translation>打印统计</translation>
    </message>
    <message>
        <source>Calibrate label</source>
        <translation>标签校准</translation>
    </message>
    <message>
        <source>Get Printer Settings</source>
        <translation>获取打印机设置</translation>
    </message>
    <message>
        <source>Print Self-test</source>
        <translation>打印自检页</translation>
    </message>
    <message>
        <source>Reset All Settings</source>
        <translation>恢复所有设置</translation>
    </message>
    <message>
        <source>Send Settings</source>
        <translation>发送设置</translation>
    </message>
    <message>
        <source>Read the settings back from the printer to see whether it took every value?</source>
        <translation>是否从打印机读回设置，查看它是否接受了每一个值？</translation>
    </message>
    <message>
        <source>The printer took every value.</source>
        <translation>打印机已接受所有的值。</translation>
    </message>
    <message>
        <source>The printer did not take these values:
%1</source>
        <translation>打印机没有接受以下的值：
%1</translation>
    </message>
    <message>
        <source>Save to File…</source>
        <translation>保存到文件…</translation>
    </message>
    <message>
        <source>Load from File…</source>
        <translation>从文件载入…</translation>
    </message>
</context>
<context>
    <name>CPrintuneDlg</name>
    <message>
        <source>Vortan Mini Printer Printune V1.124.0</source>
        <translation>Vortan 微型打印机设置工具 Printune V1.124.0</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>打印机</translation>
    </message>
    <message>
        <source>Interface</source>
        <translation>接口</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Application Language</source>
        <translation>界面语言</translation>
    </message>
    <message>
        <source>Simplified Chinese</source>
        <translation>简体中文</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Printune could not be started again. Please start it yourself to use the new language.</source>
        <translation>无法重新启动 Printune。请手动启动程序以使用新的语言。</translation>
    </message>
    <message>
        <source>Printune Help File.pdf</source>
        <translation>Printune 帮助文件.pdf</translation>
    </message>
    <message>
        <source>Communication Log</source>
        <translation>通信日志</translation>
    </message>
</context>
<context>
    <name>CTestItemDialog</name>
    <message>
        <source>Chinese</source>
        <translation>汉字</translation>
    </message>
    <message>
        <source>Chinese:</source>
        <translation>汉字：</translation>
    </message>
    <message>
        <source>1 section</source>
        <translation>第1区</translation>
    </message>
    <message>
        <source>2 section</source>
        <translation>第2区</translation>
    </message>
    <message>
        <source>3 section</source>
        <translation>第3区</translation>
    </message>
    <message>
        <source>4 section</source>
        <translation>第4区</translation>
    </message>
    <message>
        <source>5 section</source>
        <translation>第5区</translation>
    </message>
    <message>
        <source>Font style:</source>
        <translation>字体样式：</translation>
    </message>
    <message>
        <source>Double width</source>
        <translation>倍宽</translation>
    </message>
    <message>
        <source>Double height</source>
        <translation>倍高</translation>
    </message>
    <message>
        <source>Underline mode</source>
        <translation>下划线</translation>
    </message>
    <message>
        <source>Start test</source>
        <translation>开始测试</translation>
    </message>
    <message>
        <source>ASCII</source>
        <translation>ASCII</translation>
    </message>
    <message>
        <source>ASCII Print</source>
        <translation>ASCII 打印</translation>
    </message>
    <message>
        <source>H Print</source>
        <translation>H 打印</translation>
    </message>
    <message>
        <source>I Print</source>
        <translation>I 打印</translation>
    </message>
    <message>
        <source>Font Size:</source>
        <translation>字体大小：</translation>
    </message>
    <message>
        <source>Font A</source>
        <translation>字体 A</translation>
    </message>
    <message>
        <source>Font B</source>
        <translation>字体 B</translation>
    </message>
    <message>
        <source>Font Style:</source>
        <translation>字体样式：</translation>
    </message>
    <message>
        <source>Stop test</source>
        <translation>停止测试</translation>
    </message>
    <message>
        <source>Black Mark</source>
        <translation>黑标</translation>
    </message>
    <message>
        <source>Black Mark Enable</source>
        <translation>黑标有效</translation>
    </message>
    <message>
        <source>Black Mark Disable</source>
        <translation>黑标无效</translation>
    </message>
    <message>
        <source>Black Mark Test</source>
        <translation>黑标测试</translation>
    </message>
    <message>
        <source>Cut Paper After Print</source>
        <translation>打印后切纸</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>测试</translation>
    </message>
    <message>
        <source>Black Prn</source>
        <translation>黑块打印</translation>
    </message>
    <message>
        <source>Test Prn</source>
        <translation>测试打印</translation>
    </message>
    <message>
        <source>Drawer1</source>
        <translation>钱箱1</translation>
    </message>
    <message>
        <source>Drawer2</source>
        <translation>钱箱2</translation>
    </message>
    <message>
        <source>Cut Enable</source>
        <translation>切刀有效</translation>
    </message>
    <message>
        <source>Cut Disable</source>
        <translation>切刀无效</translation>
    </message>
    <message>
        <source>Full Cut</source>
        <translation>全切</translation>
    </message>
    <message>
        <source>Partial Cut</source>
        <translation>半切</translation>
    </message>
    <message>
        <source>Baud Rate:</source>
        <translation>波特率：</translation>
    </message>
    <message>
        <source>1200</source>
        <translation>1200</translation>
    </message>
    <message>
        <source>2400</source>
        <translation>2400</translation>
    </message>
    <message>
        <source>4800</source>
        <translation>4800</translation>
    </message>
    <message>
        <source>9600</source>
        <translation>9600</translation>
    </message>
    <message>
        <source>19200</source>
        <translation>19200</translation>
    </message>
    <message>
        <source>38400</source>
        <translation>38400</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>CUpgradeFW</name>
    <message>
        <source>Instruction</source>
        <translation>说明</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>升级</translation>
    </message>
    <message>
        <source>Firmware file path:</source>
        <translation>固件文件路径：</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>浏览</translation>
    </message>
    <message>
        <source>Download Mode</source>
        <translation>下载模式</translation>
    </message>
    <message>
        <source>Please wait for a while</source>
        <translation>请稍候</translation>
    </message>
    <message>
        <source>Keep the printer&apos;s settings</source>
        <translation>保留打印机设置</translation>
    </message>
</context>
<context>
    <name>CWifiSetupDlg_KP520</name>
    <message>
        <source>Wi-Fi Setup</source>
        <translation>Wi-Fi 设置</translation>
    </message>
    <message>
        <source>Wi-Fi Mode:</source>
        <translation>Wi-Fi 模式:</translation>
    </message>
    <message>
        <source>SSID:</source>
        <translation>SSID:</translation>
    </message>
    <message>
        <source>Encryption:</source>
        <translation>加密方式:</translation>
    </message>
    <message>
        <source>Key Format:</source>
        <translation>密钥格式:</translation>
    </message>
    <message>
        <source>Key:</source>
        <translation>密钥:</translation>
    </message>
    <message>
        <source>DHCP:</source>
        <translation>DHCP:</translation>
    </message>
    <message>
        <source>Disable</source>
        <translation>无效</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>有效</translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation>IP 地址:</translation>
    </message>
    <message>
        <source>Subnet Mask:</source>
        <translation>子网掩码:</translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation>网关:</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <source> Reset Wi-Fi</source>
        <translation> 复位 Wi-Fi</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>The Wi-Fi settings were sent. Look for the printer on the network for up to %1 s to see whether it joined?</source>
        <translation>Wi-Fi 设置已发送。是否在网络上查找打印机（最多 %1 秒），以确认它已加入网络？</translation>
    </message>
    <message>
        <source>Looking for the printer on the network... %1 s</source>
        <translation>正在网络上查找打印机... %1 秒</translation>
    </message>
    <message>
        <source>The printer %1 (serial number %2, MAC %3) is on the network at %4.</source>
        <translation>打印机 %1（序列号 %2，MAC %3）已在网络上，地址为 %4。</translation>
    </message>
    <message>
        <source>The printer did not appear on the network within %1 s.</source>
        <translation>打印机在 %1 秒内没有出现在网络上。</translation>
    </message>
</context>
<context>
    <name>ProfileFiles</name>
    <message>
        <source>Settings profiles (*.profile);;All files (*)</source>
        <translation>设置配置文件 (*.profile);;所有文件 (*)</translation>
    </message>
    <message>
        <source>These fields hold no valid value; nothing was saved:
%1</source>
        <translation>以下字段没有有效的值，未保存任何内容：
%1</translation>
    </message>
    <message>
        <source>The page holds no settings to save. Get the printer&apos;s settings first.</source>
        <translation>本页没有可保存的设置。请先读取打印机设置。</translation>
    </message>
    <message>
        <source>Save to File</source>
        <translation>保存到文件</translation>
    </message>
    <message>
        <source>Cannot write %1:
%2</source>
        <translation>无法写入 %1：
%2</translation>
    </message>
    <message>
        <source>Load from File</source>
        <translation>从文件载入</translation>
    </message>
    <message>
        <source>Cannot read %1:
%2</source>
        <translation>无法读取 %1：
%2</translation>
    </message>
    <message>
        <source>%1 cannot be loaded.
Line %2: %3</source>
        <translation>无法载入 %1。
第 %2 行：%3</translation>
    </message>
    <message>
        <source>This page cannot show these values of the profile; they were left as they are:
%1</source>
        <translation>本页无法显示配置文件中的以下值，已保持原样：
%1</translation>
    </message>
    <message>
        <source>The page shows the profile&apos;s values already; nothing was marked.</source>
        <translation>本页显示的已是配置文件中的值，未标记任何设置。</translation>
    </message>
</context>
<context>
    <name>printune::CAboutDlg</name>
    <message>
        <source>Printune Version %1</source>
        <translation>Printune 版本 %1</translation>
    </message>
    <message>
        <source>Checking...</source>
        <translation>正在检查…</translation>
    </message>
</context>
<context>
    <name>printune::CCommLogDlg</name>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Time (s)</source>
        <translation>时间 (秒)</translation>
    </message>
    <message>
        <source>Transport</source>
        <translation>传输方式</translation>
    </message>
    <message>
        <source>Endpoint</source>
        <translation>端点</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>方向</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>长度</translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation>字节</translation>
    </message>
    <message>
        <source>Meaning</source>
        <translation>含义</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>发送</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>接收</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Time-out</source>
        <translation>超时</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>%1 events</source>
        <translation>%1 个事件</translation>
    </message>
    <message>
        <source>%1 events, %2 older ones dropped</source>
        <translation>%1 个事件，已丢弃 %2 个较早的事件</translation>
    </message>
    <message>
        <source>Save Communication Log</source>
        <translation>保存通信日志</translation>
    </message>
    <message>
        <source>Trace files (*.jsonl);;All files (*)</source>
        <translation>通信记录文件 (*.jsonl);;所有文件 (*)</translation>
    </message>
    <message>
        <source>The log cannot be saved to %1: %2</source>
        <translation>无法将日志保存到 %1：%2</translation>
    </message>
</context>
<context>
    <name>printune::CCommandTest</name>
    <message>
        <source>Input the command you want to send</source>
        <translation>输入要发送的命令</translation>
    </message>
    <message>
        <source>Select the option when you want to send data by hexadecimal</source>
        <translation>以十六进制发送数据时选择此项</translation>
    </message>
    <message>
        <source>Select the option when you want to send data by loop mode</source>
        <translation>以循环方式发送数据时选择此项</translation>
    </message>
    <message>
        <source>Click the button to send the command that have been input</source>
        <translation>单击此按钮发送已输入的命令</translation>
    </message>
    <message>
        <source>Click the button to clear the input box</source>
        <translation>单击此按钮清空输入框</translation>
    </message>
    <message>
        <source>The path of the file that you want to send</source>
        <translation>要发送的文件的路径</translation>
    </message>
    <message>
        <source>Click the button to brow the file that you want to send</source>
        <translation>单击此按钮浏览要发送的文件</translation>
    </message>
    <message>
        <source>Click the button to send the file that have selected</source>
        <translation>单击此按钮发送已选择的文件</translation>
    </message>
    <message>
        <source>What the printer sent back after each data send: time, hex bytes and text</source>
        <translation>每次发送数据后打印机的回复：时间、十六进制字节和文本</translation>
    </message>
    <message>
        <source>How long to wait for a reply after each data send (0: do not wait)</source>
        <translation>每次发送数据后等待回复的时间（0：不等待）</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Data File(*.hex *.txt)</source>
        <translation>数据文件(*.hex *.txt)</translation>
    </message>
    <message>
        <source>All File(*)</source>
        <translation>所有文件(*)</translation>
    </message>
    <message>
        <source>Send File</source>
        <translation>发送文件</translation>
    </message>
    <message>
        <source>Save Replies</source>
        <translation>保存回复</translation>
    </message>
    <message>
        <source>Text File(*.txt)</source>
        <translation>文本文件(*.txt)</translation>
    </message>
</context>
<context>
    <name>printune::CEdtCfgDlgUSB</name>
    <message>
        <source>Please enter a complete IP address, subnet mask and gateway.</source>
        <translation>请输入完整的 IP 地址、子网掩码和网关。</translation>
    </message>
</context>
<context>
    <name>printune::CEnternetSetting</name>
    <message>
        <source>SN.</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>MAC Addr.</source>
        <translation>MAC 地址</translation>
    </message>
    <message>
        <source>Device name</source>
        <translation>设备名称</translation>
    </message>
    <message>
        <source>FW Ver.</source>
        <translation>固件版本</translation>
    </message>
    <message>
        <source>IP Addr.</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Setup printer</source>
        <translation>设置打印机</translation>
    </message>
</context>
<context>
    <name>printune::CHT740EnthernetDlg</name>
    <message>
        <source>MAC Addr.</source>
        <translation>MAC 地址</translation>
    </message>
    <message>
        <source>Device name</source>
        <translation>设备名称</translation>
    </message>
    <message>
        <source>FW Ver.</source>
        <translation>固件版本</translation>
    </message>
    <message>
        <source>IP Addr.</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
</context>
<context>
    <name>printune::CInternalSetupHT740</name>
    <message>
        <source>Set the page mode to Off or On</source>
        <translation>设置页模式为关闭或打开</translation>
    </message>
    <message>
        <source>Set the printer&apos;s settings to the options that have change or is default value.</source>
        <translation>把打印机设置为已更改的选项或默认值。</translation>
    </message>
    <message>
        <source>Set the option of current page to default value, and send to printer</source>
        <translation>把当前页的选项设为默认值，并发送到打印机</translation>
    </message>
    <message>
        <source>Set the cutter to On or Off</source>
        <translation>设置切刀打开或关闭</translation>
    </message>
    <message>
        <source>Set the print paper&apos;s wide mode, 76mm or 57mm</source>
        <translation>设置打印纸宽度，76mm 或 57mm</translation>
    </message>
    <message>
        <source>Set the print-head&apos;s printing direction, Unidirectional or Bidirectional.</source>
        <translation>设置打印头的打印方向，单向或双向。</translation>
    </message>
    <message>
        <source>Set the Top Form Sensing to Off or On</source>
        <translation>设置黑标检测为关闭或打开</translation>
    </message>
    <message>
        <source>Distance from black mark to start print position. Value is -35~5766 mm</source>
        <translation>黑标到起始打印位置的距离。取值 -35~5766 mm</translation>
    </message>
    <message>
        <source>Distance from black mark to cutting position. Value is -54~5766 mm</source>
        <translation>黑标到切纸位置的距离。取值 -54~5766 mm</translation>
    </message>
    <message>
        <source>Ask the printer for its status now</source>
        <translation>立即查询打印机状态</translation>
    </message>
</context>
<context>
    <name>printune::CPagePortSet</name>
    <message>
        <source>Set the detail of interface</source>
        <translation>设置接口的详细参数</translation>
    </message>
    <message>
        <source>Select the printer</source>
        <translation>选择打印机</translation>
    </message>
    <message>
        <source>Communication with serial interface</source>
        <translation>通过串口通讯</translation>
    </message>
    <message>
        <source>Communication with parallel interface</source>
        <translation>通过并口通讯</translation>
    </message>
    <message>
        <source>Communication with USB interface</source>
        <translation>通过 USB 接口通讯</translation>
    </message>
    <message>
        <source>Printer Model</source>
        <translation>打印机型号</translation>
    </message>
    <message>
        <source>Printer Series</source>
        <translation>打印机系列</translation>
    </message>
    <message>
        <source>Choose your printer model</source>
        <translation>请选择打印机型号</translation>
    </message>
    <message>
        <source>Choose your printer series</source>
        <translation>请选择打印机系列</translation>
    </message>
</context>
<context>
    <name>printune::CPrintingSetupKP520_1</name>
    <message>
        <source>Set the page mode to Off or On</source>
        <translation>设置页模式为关闭或打开</translation>
    </message>
    <message>
        <source>Set the media to be used</source>
        <translation>设置所用的介质</translation>
    </message>
    <message>
        <source>Set the type of printing,Transfer thermal or Direct thermal.</source>
        <translation>设置打印方式：热转印或热敏。</translation>
    </message>
    <message>
        <source>Set the peeler to Off or On</source>
        <translation>设置剥离器为关闭或打开</translation>
    </message>
    <message>
        <source>Set the paper end detection to Off or On</source>
        <translation>设置缺纸检测为关闭或打开</translation>
    </message>
    <message>
        <source>Set the print density level</source>
        <translation>设置打印浓度等级</translation>
    </message>
    <message>
        <source>Set the printer&apos;s Language</source>
        <translation>设置打印机的语言</translation>
    </message>
    <message>
        <source>Set the emulation mode of printing</source>
        <translation>设置打印的仿真模式</translation>
    </message>
    <message>
        <source>Set the Auto verify label to Off or On</source>
        <translation>设置自动校准标签为关闭或打开</translation>
    </message>
    <message>
        <source>Set the printing speed</source>
        <translation>设置打印速度</translation>
    </message>
    <message>
        <source>Set the Top Form Sensing to Off or On</source>
        <translation>设置页首检测为关闭或打开</translation>
    </message>
    <message>
        <source>Get the printer&apos;s current setting</source>
        <translation>获取打印机的当前设置</translation>
    </message>
    <message>
        <source>Set the option of current page to default value, and send to printer</source>
        <translation>将本页的选项设为默认值，并发送到打印机</translation>
    </message>
    <message>
        <source>Set the printer&apos;s settings to the options that have change or is default value.</source>
        <translation>把打印机的设置设为已更改的选项或默认值。</translation>
    </message>
</context>
<context>
    <name>printune::CPrintuneDlg</name>
    <message>
        <source>Test Items</source>
        <translation>测试项</translation>
    </message>
    <message>
        <source>Choose Interface</source>
        <translation>端口及打印机选择</translation>
    </message>
    <message>
        <source>Printer Setup</source>
        <translation>打印机内部设置</translation>
    </message>
    <message>
        <source>Update Firmware</source>
        <translation>软件升级</translation>
    </message>
    <message>
        <source>Command Test</source>
        <translation>命令输入</translation>
    </message>
    <message>
        <source>Exit the program</source>
        <translation>退出程序</translation>
    </message>
    <message>
        <source>Selects a menu of the tool</source>
        <translation>选择工具的功能</translation>
    </message>
    <message>
        <source>The printer current select</source>
        <translation>当前选择的打印机</translation>
    </message>
    <message>
        <source>The interface current select</source>
        <translation>当前选择的接口</translation>
    </message>
    <message>
        <source>Switch the application&apos;s language to Chinese</source>
        <translation>将程序界面切换为中文</translation>
    </message>
    <message>
        <source>Switch the application&apos;s language to English</source>
        <translation>将程序界面切换为英文</translation>
    </message>
    <message>
        <source>About Printune</source>
        <translation>关于 Printune</translation>
    </message>
    <message>
        <source>Printer Model</source>
        <translation>打印机型号</translation>
    </message>
    <message>
        <source>Printer Series</source>
        <translation>打印机系列</translation>
    </message>
    <message>
        <source> (sent to %1 printers)</source>
        <translation>（已发送到 %1 台打印机）</translation>
    </message>
    <message>
        <source>Show what the program sends to and receives from printers</source>
        <translation>显示程序与打印机之间收发的数据</translation>
    </message>
</context>
<context>
    <name>printune::CUpgradeFW</name>
    <message>
        <source>Selects the file of FirmWare that to update</source>
        <translation>选择要升级的固件文件</translation>
    </message>
    <message>
        <source>To update the FirmWare</source>
        <translation>升级固件</translation>
    </message>
    <message>
        <source>Note: You could upgrade the Firmware and/or the Character Generator (CG) via USB connection. 
1. Enter Firmware / CG Update mode manually.
2. Click &quot;Browse&quot; to select the firmware file.
3. Click  &quot;Update&quot; for loading firmware.
4. The printer&apos;s Status LED on and Error LED off, when the application&apos;s progress bar perform 100%. Firmware / CG Update success after restart the printer.
For more details see the Help section.</source>
        <translation>注意：您可以通过 USB 连接升级固件和/或字库（CG）。
1. 手动进入固件/字库升级模式：打开上盖，按住缺纸传感器，打开打印机电源；电源灯亮、错误灯灭表示已进入升级模式。
2. 单击“浏览”选择固件文件。
3. 单击“升级”加载固件。
4. 程序进度条达到 100% 时，打印机状态灯亮、错误灯灭。重新启动打印机后固件/字库升级成功。
详细信息请参阅帮助。</translation>
    </message>
    <message>
        <source>Note: You could upgrade the Firmware and/or the Character Generator (CG) via USB and LAN connection. 
1.Enter firmware/CG upgrade mode by Clicking &quot;Download Mode&quot;.
2.Click &quot;Browse&quot; to select the firmware file
3.Then click &quot;Update&quot; to load the firmware/CG.
4.Wait for a while,the printer will beep twice and restart automatically.
For more details see the Help section.
</source>
        <translation>注意：您可以通过 USB 和网络连接升级固件和/或字库（CG）。
1. 单击“下载模式”进入固件/字库升级模式。
2. 单击“浏览”选择固件文件。
3. 然后单击“升级”加载固件/字库。
4. 请稍候，打印机会鸣叫两次并自动重新启动。
详细信息请参阅帮助。
</translation>
    </message>
    <message>
        <source>Firmware File(*.fw);;Character Library(*.cg)</source>
        <translation>固件文件(*.fw);;字库文件(*.cg)</translation>
    </message>
    <message>
        <source>Firmware File(*.bin *.mot);;Character Library(*.cg)</source>
        <translation>固件文件(*.bin);;字库文件(*.bin)</translation>
    </message>
    <message>
        <source>Please wait for a while, 
firmware is being loaded...</source>
        <translation>请稍候，
正在加载固件……</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>升级</translation>
    </message>
    <message>
        <source>Read the printer&apos;s settings before the update and write back those that changed after it (label printers, .bin images; the download-mode command is sent by Update)</source>
        <translation>升级前读取打印机设置，升级后写回发生变化的设置（标签打印机，.bin 文件；下载模式命令由“升级”发送）</translation>
    </message>
</context>
</TS>
