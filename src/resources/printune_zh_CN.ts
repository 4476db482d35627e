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
</context>
<context>
    <name>CCommandTest</name>
    <message>
        <source>Command Test</source>
        <translation>命令输入</translation>
    </message>
</context>
<context>
    <name>CInternalSetupHT740</name>
    <message>
        <source>Receipt Printer Setup</source>
        <translation>票据打印机内部设置</translation>
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
    <message>
        <source>The network printer search is not available yet.
The connection uses the printer at %1, TCP port %2.</source>
        <translation>暂不支持搜索网络打印机。
当前连接使用打印机 %1，TCP 端口 %2。</translation>
    </message>
    <message>
        <source>This setting is not available yet.</source>
        <translation>此设置暂不可用。</translation>
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
</context>
<context>
    <name>CTestItemDialog</name>
    <message>
        <source>Test Items</source>
        <translation>测试项</translation>
    </message>
</context>
<context>
    <name>CUpgradeFW</name>
    <message>
        <source>Update Firmware</source>
        <translation>软件升级</translation>
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
</context>
</TS>
