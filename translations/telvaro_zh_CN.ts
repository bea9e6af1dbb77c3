<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>telvaro::CAboutDlg</name>
    <message>
        <source>About Telvaro Pro</source>
        <translation>关于 Telvaro Pro</translation>
    </message>
    <message>
        <source>Configuration tool for Telvaro GSM/GPRS modems</source>
        <translation>Telvaro GSM/GPRS 调制解调器配置工具</translation>
    </message>
    <message>
        <source>Version %1, Qt %2</source>
        <translation>版本 %1，Qt %2</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>telvaro::CAdvanced1Page</name>
    <message>
        <source>Data Packing</source>
        <translation>数据打包</translation>
    </message>
    <message>
        <source>Interval Timeout (1*100ms)</source>
        <translation>间隔超时 (1*100ms)</translation>
    </message>
    <message>
        <source>(2 - 100)</source>
        <translation>(2 - 100)</translation>
    </message>
    <message>
        <source>Packet Length</source>
        <translation>数据包长度</translation>
    </message>
    <message>
        <source>(0 - 1024)</source>
        <translation>(0 - 1024)</translation>
    </message>
    <message>
        <source>Delimiter 1</source>
        <translation>分隔符 1</translation>
    </message>
    <message>
        <source>(Hex)</source>
        <translation>(十六进制)</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Delimiter 2</source>
        <translation>分隔符 2</translation>
    </message>
    <message>
        <source>Delimiter Process</source>
        <translation>分隔符处理</translation>
    </message>
    <message>
        <source>Tx Delay(1*100ms)</source>
        <translation>发送延迟 (1*100ms)</translation>
    </message>
    <message>
        <source>(1 - 50)</source>
        <translation>(1 - 50)</translation>
    </message>
    <message>
        <source>Online SMS Notification</source>
        <translation>上线短信通知</translation>
    </message>
    <message>
        <source>*Set phone NO. in Phone Book-&gt;SMS Control</source>
        <translation>*在电话簿-&gt;短信控制中设置号码</translation>
    </message>
    <message>
        <source>International Roaming</source>
        <translation>国际漫游</translation>
    </message>
    <message>
        <source>PLMN in SIM:</source>
        <translation>SIM 中的 PLMN:</translation>
    </message>
    <message>
        <source>Preferred PLMN</source>
        <translation>首选 PLMN</translation>
    </message>
    <message>
        <source>CSD Backup (Incoming)</source>
        <translation>CSD 备份（呼入）</translation>
    </message>
    <message>
        <source>*Set phone NO. in Phone Book-&gt;CSD</source>
        <translation>*在电话簿-&gt;CSD 中设置号码</translation>
    </message>
    <message>
        <source>PLMN Selection</source>
        <translation>PLMN 选择</translation>
    </message>
    <message>
        <source>Delimiter 1 Enable</source>
        <translation>启用分隔符 1</translation>
    </message>
    <message>
        <source>Delimiter 2 Enable</source>
        <translation>启用分隔符 2</translation>
    </message>
</context>
<context>
    <name>telvaro::CAdvanced2Page</name>
    <message>
        <source>Custom Login</source>
        <translation>自定义登录</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Interval (s)</source>
        <translation>间隔 (秒)</translation>
    </message>
    <message>
        <source>(5 - 120)</source>
        <translation>(5 - 120)</translation>
    </message>
    <message>
        <source>Max Retries</source>
        <translation>最大重试次数</translation>
    </message>
    <message>
        <source>(0 - 60)</source>
        <translation>(0 - 60)</translation>
    </message>
    <message>
        <source>REQ Packet (0x)</source>
        <translation>REQ 数据包 (0x)</translation>
    </message>
    <message>
        <source>ACK Packet (0x)</source>
        <translation>ACK 数据包 (0x)</translation>
    </message>
    <message>
        <source>Custom Keep Alive</source>
        <translation>自定义心跳</translation>
    </message>
    <message>
        <source>(5 - 1200)</source>
        <translation>(5 - 1200)</translation>
    </message>
    <message>
        <source>Custom Logout</source>
        <translation>自定义注销</translation>
    </message>
</context>
<context>
    <name>telvaro::CBasicPage</name>
    <message>
        <source>ME Type</source>
        <translation>设备类型</translation>
    </message>
    <message>
        <source>IMEI</source>
        <translation>IMEI</translation>
    </message>
    <message>
        <source>Device Name</source>
        <translation>设备名称</translation>
    </message>
    <message>
        <source>Com Type Selection</source>
        <translation>串口类型选择</translation>
    </message>
    <message>
        <source>Synchronize with PC</source>
        <translation>与电脑同步</translation>
    </message>
    <message>
        <source>SIM Card PIN Setup</source>
        <translation>SIM 卡 PIN 设置</translation>
    </message>
    <message>
        <source>Change PIN Code</source>
        <translation>更改 PIN 码</translation>
    </message>
    <message>
        <source>Input PIN Code</source>
        <translation>输入 PIN 码</translation>
    </message>
    <message>
        <source>Input New Code</source>
        <translation>输入新 PIN 码</translation>
    </message>
    <message>
        <source>Init. String</source>
        <translation>初始化字符串</translation>
    </message>
    <message>
        <source>Command 1:</source>
        <translation>命令 1:</translation>
    </message>
    <message>
        <source>SMS Control</source>
        <translation>短信控制</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>Enable Output Debug Message to Com</source>
        <translation>向串口输出调试信息</translation>
    </message>
    <message>
        <source>rtc time</source>
        <translation>RTC 时间</translation>
    </message>
    <message>
        <source>PIN Lock</source>
        <translation>PIN 锁</translation>
    </message>
</context>
<context>
    <name>telvaro::CComPage</name>
    <message>
        <source>Serial Interface</source>
        <translation>串行接口</translation>
    </message>
    <message>
        <source>Baud Rate</source>
        <translation>波特率</translation>
    </message>
    <message>
        <source>Data Bits</source>
        <translation>数据位</translation>
    </message>
    <message>
        <source>Parity</source>
        <translation>校验位</translation>
    </message>
    <message>
        <source>Stop Bits</source>
        <translation>停止位</translation>
    </message>
    <message>
        <source>Flow Control</source>
        <translation>流控制</translation>
    </message>
</context>
<context>
    <name>telvaro::CDiPage</name>
    <message>
        <source>DI_0 Config</source>
        <translation>DI_0 配置</translation>
    </message>
    <message>
        <source>DI_1 Config</source>
        <translation>DI_1 配置</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>模式</translation>
    </message>
    <message>
        <source>Phone Group</source>
        <translation>电话组</translation>
    </message>
    <message>
        <source>Counter Active</source>
        <translation>计数有效沿</translation>
    </message>
    <message>
        <source>Counter Start When Power On</source>
        <translation>上电时开始计数</translation>
    </message>
    <message>
        <source>Count Trigger</source>
        <translation>计数触发值</translation>
    </message>
    <message>
        <source>(0 - 30000)</source>
        <translation>(0 - 30000)</translation>
    </message>
    <message>
        <source>Filtering</source>
        <translation>滤波</translation>
    </message>
    <message>
        <source>(0 - 10000) ms</source>
        <translation>(0 - 10000) 毫秒</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>毫秒</translation>
    </message>
    <message>
        <source>Triggering Alarm</source>
        <translation>触发报警</translation>
    </message>
    <message>
        <source>On</source>
        <translation>开</translation>
    </message>
    <message>
        <source>Recovering Alarm</source>
        <translation>恢复报警</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>关</translation>
    </message>
    <message>
        <source>(70 ASIC II char max)</source>
        <translation>（最多 70 个 ASCII 字符）</translation>
    </message>
    <message>
        <source>DI over TCP</source>
        <translation>DI 通过 TCP</translation>
    </message>
    <message>
        <source>DI Over IP</source>
        <translation>DI 通过 IP</translation>
    </message>
</context>
<context>
    <name>telvaro::CDoPage</name>
    <message>
        <source>DO Config</source>
        <translation>DO 配置</translation>
    </message>
    <message>
        <source>Alarm Source:</source>
        <translation>报警源:</translation>
    </message>
    <message>
        <source>DI Alarm</source>
        <translation>DI 报警</translation>
    </message>
    <message>
        <source>SMS Control</source>
        <translation>短信控制</translation>
    </message>
    <message>
        <source>Phone Control</source>
        <translation>电话控制</translation>
    </message>
    <message>
        <source>Alarm On Action</source>
        <translation>报警动作</translation>
    </message>
    <message>
        <source>Alarm Off Action</source>
        <translation>恢复动作</translation>
    </message>
    <message>
        <source>Status When Power On</source>
        <translation>上电状态</translation>
    </message>
    <message>
        <source>Phone Group</source>
        <translation>电话组</translation>
    </message>
    <message>
        <source>Keep On</source>
        <translation>保持时间</translation>
    </message>
    <message>
        <source>(0 - 255) sec</source>
        <translation>(0 - 255) 秒</translation>
    </message>
    <message>
        <source>Pulse Mode:</source>
        <translation>脉冲模式:</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>低</translation>
    </message>
    <message>
        <source>(1 - 30000) ms</source>
        <translation>(1 - 30000) 毫秒</translation>
    </message>
    <message>
        <source>High</source>
        <translation>高</translation>
    </message>
    <message>
        <source>Delay</source>
        <translation>延迟</translation>
    </message>
    <message>
        <source>(0 - 30000) ms</source>
        <translation>(0 - 30000) 毫秒</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>(0 - 30000) pulses</source>
        <translation>(0 - 30000) 个脉冲</translation>
    </message>
    <message>
        <source>SMS Control:</source>
        <translation>短信控制:</translation>
    </message>
    <message>
        <source>Triggering Alarm</source>
        <translation>触发报警</translation>
    </message>
    <message>
        <source>Recovering Alarm</source>
        <translation>恢复报警</translation>
    </message>
    <message>
        <source>DO over TCP</source>
        <translation>DO 通过 TCP</translation>
    </message>
    <message>
        <source>Always Trigger</source>
        <translation>始终触发</translation>
    </message>
</context>
<context>
    <name>telvaro::CGprsPage</name>
    <message>
        <source>ISP</source>
        <translation>运营商</translation>
    </message>
    <message>
        <source>APN</source>
        <translation>APN</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>DNS</source>
        <translation>DNS</translation>
    </message>
    <message>
        <source>DNS 1</source>
        <translation>DNS 1</translation>
    </message>
    <message>
        <source>DNS 2</source>
        <translation>DNS 2</translation>
    </message>
    <message>
        <source>PPP Authentication Type</source>
        <translation>PPP 认证方式</translation>
    </message>
    <message>
        <source>Socket Application</source>
        <translation>Socket 应用</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>模式</translation>
    </message>
    <message>
        <source>IP/URL</source>
        <translation>IP/URL</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>Modbus RTU Slave Over TCP</source>
        <translation>Modbus RTU 从站 (TCP)</translation>
    </message>
    <message>
        <source>Connection Control</source>
        <translation>连接控制</translation>
    </message>
    <message>
        <source> Shut Down Module      When Idle</source>
        <translation> 空闲时关闭模块</translation>
    </message>
    <message>
        <source>Inactivity Time (s)</source>
        <translation>无活动时间 (秒)</translation>
    </message>
    <message>
        <source>(5 - 1200)</source>
        <translation>(5 - 1200)</translation>
    </message>
    <message>
        <source>Connect Interval (s)</source>
        <translation>连接间隔 (秒)</translation>
    </message>
    <message>
        <source>(10 - 1200)</source>
        <translation>(10 - 1200)</translation>
    </message>
    <message>
        <source>Max Retries</source>
        <translation>最大重试次数</translation>
    </message>
    <message>
        <source>(1 - 60)</source>
        <translation>(1 - 60)</translation>
    </message>
    <message>
        <source>Connection IdleTimeout (s)</source>
        <translation>连接空闲超时 (秒)</translation>
    </message>
    <message>
        <source>(0 - 1200)</source>
        <translation>(0 - 1200)</translation>
    </message>
</context>
<context>
    <name>telvaro::CHelpDlg</name>
    <message>
        <source>help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>*There are two working mode availble in Z770, which is Config Mode and Normal Mode;</source>
        <translation>*Z770 有两种工作模式：配置模式和正常模式；</translation>
    </message>
    <message>
        <source>*Debug page configuration is only availble under Normal Mode;</source>
        <translation>*调试页面仅在正常模式下可用；</translation>
    </message>
    <message>
        <source>*User could only control the modem via AT Commands under Normal Mode;</source>
        <translation>*仅在正常模式下可通过 AT 命令控制调制解调器；</translation>
    </message>
    <message>
        <source>*For rest page, it is only available for configuring under Config;</source>
        <translation>*其余页面仅在配置模式下可配置；</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>telvaro::CMainDlg</name>
    <message>
        <source>* Reboot for changes to take effect</source>
        <translation>* 重启后更改生效</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>退出(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>设置(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Upgrade firmware...</source>
        <translation>升级固件(&amp;U)...</translation>
    </message>
    <message>
        <source>Fast upgrade</source>
        <translation>快速升级</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>语言(&amp;L)</translation>
    </message>
    <message>
        <source>&amp;help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;about</source>
        <translation>关于(&amp;A)</translation>
    </message>
    <message>
        <source>The language changes at the next start</source>
        <translation>语言将在下次启动时更改</translation>
    </message>
    <message>
        <source>Upgrade firmware</source>
        <translation>升级固件</translation>
    </message>
    <message>
        <source>COM%1: device disconnected</source>
        <translation>COM%1：设备已断开</translation>
    </message>
    <message>
        <source>Writing COM%1...</source>
        <translation>正在写入 COM%1...</translation>
    </message>
    <message>
        <source>Reading COM%1...</source>
        <translation>正在读取 COM%1...</translation>
    </message>
    <message>
        <source>No answer from the modem on COM%1</source>
        <translation>COM%1 上的调制解调器无应答</translation>
    </message>
    <message>
        <source>Upgrading COM%1...</source>
        <translation>正在升级 COM%1...</translation>
    </message>
    <message>
        <source>&amp;Export</source>
        <translation>导出(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>导入(&amp;I)</translation>
    </message>
    <message>
        <source>Export &amp;profile...</source>
        <translation>导出配置文件(&amp;P)...</translation>
    </message>
    <message>
        <source>Import p&amp;rofile...</source>
        <translation>导入配置文件(&amp;R)...</translation>
    </message>
    <message>
        <source>Save traffic log...</source>
        <translation>保存通信日志...</translation>
    </message>
    <message>
        <source>&amp;Open settings file...</source>
        <translation>打开设置文件(&amp;O)...</translation>
    </message>
    <message>
        <source>Pe&amp;nding changes...</source>
        <translation>未写入的更改(&amp;N)...</translation>
    </message>
    <message>
        <source>&amp;Confirm success with a message</source>
        <translation>成功时弹出消息确认(&amp;C)</translation>
    </message>
    <message>
        <source>Wrote %1 change</source>
        <translation>已写入 %1 项更改</translation>
    </message>
    <message>
        <source>Wrote %1 changes</source>
        <translation>已写入 %1 项更改</translation>
    </message>
    <message>
        <source>&amp;Write</source>
        <translation>写入(&amp;W)</translation>
    </message>
    <message>
        <source>&amp;Discard</source>
        <translation>放弃(&amp;D)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>&amp;Write and close</source>
        <translation>写入并关闭(&amp;W)</translation>
    </message>
    <message>
        <source>&amp;Close without them</source>
        <translation>不写入直接关闭(&amp;C)</translation>
    </message>
    <message>
        <source>Reboot &amp;without it</source>
        <translation>不写入直接重启(&amp;O)</translation>
    </message>
    <message>
        <source>Reboot &amp;without them</source>
        <translation>不写入直接重启(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Write and reboot</source>
        <translation>写入并重启(&amp;W)</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
</context>
<context>
    <name>telvaro::CNetworksPage</name>
    <message>
        <source>*Click &quot;Read&quot; to refresh the status</source>
        <translation>*点击“读取”刷新状态</translation>
    </message>
    <message>
        <source>SMS Service Center</source>
        <translation>短信服务中心</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>网络</translation>
    </message>
    <message>
        <source>Registration:</source>
        <translation>注册状态:</translation>
    </message>
    <message>
        <source>GSM Operator:</source>
        <translation>GSM 运营商:</translation>
    </message>
    <message>
        <source>Cell ID:</source>
        <translation>小区 ID:</translation>
    </message>
    <message>
        <source>Rx Level</source>
        <translation>接收电平</translation>
    </message>
    <message>
        <source>RSSI:</source>
        <translation>RSSI:</translation>
    </message>
    <message>
        <source>DB</source>
        <translation>dB</translation>
    </message>
    <message>
        <source>Update Frequency</source>
        <translation>更新频率</translation>
    </message>
    <message>
        <source>Sec (recommand 30 seconds)</source>
        <translation>秒（建议 30 秒）</translation>
    </message>
    <message>
        <source>GPRS Status</source>
        <translation>GPRS 状态</translation>
    </message>
    <message>
        <source>Local IP:</source>
        <translation>本地 IP:</translation>
    </message>
    <message>
        <source>GPRS Status:</source>
        <translation>GPRS 状态:</translation>
    </message>
    <message>
        <source>TCP Status:</source>
        <translation>TCP 状态:</translation>
    </message>
    <message>
        <source>Tx (byte):</source>
        <translation>发送 (字节):</translation>
    </message>
    <message>
        <source>Rx (byte):</source>
        <translation>接收 (字节):</translation>
    </message>
    <message>
        <source>The modem&apos;s signal strength in bars, from the last Read</source>
        <translation>调制解调器信号强度（格），来自上次读取</translation>
    </message>
    <message>
        <source>Antenna</source>
        <translation>天线</translation>
    </message>
    <message>
        <source>Beside the signal bars of the modem&apos;s antenna</source>
        <translation>调制解调器天线信号格旁的图标</translation>
    </message>
    <message>
        <source>Signal: %1 of 3 bars</source>
        <translation>信号：%1/3 格</translation>
    </message>
</context>
<context>
    <name>telvaro::CNoteDlg</name>
    <message>
        <source>Note</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>telvaro::CPhoneBookPage</name>
    <message>
        <source>Reboot</source>
        <translation>重启</translation>
    </message>
    <message>
        <source>Wakeup</source>
        <translation>唤醒</translation>
    </message>
    <message>
        <source>CSD</source>
        <translation>CSD</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>控制</translation>
    </message>
    <message>
        <source>*Write each number in international format: a plus sign, then the</source>
        <translation>*请按国际格式填写号码：加号，然后是</translation>
    </message>
    <message>
        <source> country code and the number, e.g. +8613912345678.</source>
        <translation> 国家代码和号码，例如 +8613912345678。</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Phone NO.</source>
        <translation>电话号码</translation>
    </message>
    <message>
        <source>Call</source>
        <translation>呼叫</translation>
    </message>
    <message>
        <source>SMS</source>
        <translation>短信</translation>
    </message>
    <message>
        <source>Phone NO. %1</source>
        <translation>电话号码 %1</translation>
    </message>
    <message>
        <source>Phone %1 %2 %3</source>
        <translation>电话 %1 %2 %3</translation>
    </message>
</context>
<context>
    <name>telvaro::CPhoneGroupPage</name>
    <message>
        <source>Phone Book Index</source>
        <translation>电话簿序号</translation>
    </message>
    <message>
        <source>Index</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Group %1 member %2</source>
        <translation>组 %1 成员 %2</translation>
    </message>
</context>
<context>
    <name>telvaro::CRebootPage</name>
    <message>
        <source>Reboot Mode</source>
        <translation>重启方式</translation>
    </message>
    <message>
        <source>Call </source>
        <translation>呼叫</translation>
    </message>
    <message>
        <source>SMS</source>
        <translation>短信</translation>
    </message>
    <message>
        <source>*Set phone NO. in Phone Book-&gt;Call Reboot, SMS Reboot</source>
        <translation>*在电话簿-&gt;呼叫重启、短信重启中设置号码</translation>
    </message>
</context>
<context>
    <name>telvaro::CWakeupPage</name>
    <message>
        <source>Wakeup</source>
        <translation>唤醒</translation>
    </message>
    <message>
        <source>Periodically Connect Interval (min)</source>
        <translation>定时连接间隔 (分钟)</translation>
    </message>
    <message>
        <source>(1 - 1800)</source>
        <translation>(1 - 1800)</translation>
    </message>
    <message>
        <source>Call</source>
        <translation>呼叫</translation>
    </message>
    <message>
        <source>SMS</source>
        <translation>短信</translation>
    </message>
    <message>
        <source>Serial Data Wakeup</source>
        <translation>串口数据唤醒</translation>
    </message>
    <message>
        <source>Output (0x)</source>
        <translation>输出 (0x)</translation>
    </message>
    <message>
        <source>to COM After Online</source>
        <translation>上线后发往串口</translation>
    </message>
    <message>
        <source>*Set phone NO. in Phone Book-&gt;Call Wakeup, SMS Wakeup</source>
        <translation>*在电话簿-&gt;呼叫唤醒、短信唤醒中设置号码</translation>
    </message>
</context>
<context>
    <name>telvaro::CommandButtons</name>
    <message>
        <source>&amp;Read</source>
        <translation>读取(&amp;R)</translation>
    </message>
    <message>
        <source>Get parameters from device</source>
        <translation>从设备读取参数</translation>
    </message>
    <message>
        <source>&amp;Write</source>
        <translation>写入(&amp;W)</translation>
    </message>
    <message>
        <source>Set parameters to device</source>
        <translation>将参数写入设备</translation>
    </message>
    <message>
        <source>&amp;Default</source>
        <translation>默认(&amp;D)</translation>
    </message>
    <message>
        <source>Set device default paramters</source>
        <translation>设置设备默认参数</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>升级</translation>
    </message>
    <message>
        <source>Upgrade firmware</source>
        <translation>升级固件</translation>
    </message>
    <message>
        <source>Re&amp;boot</source>
        <translation>重启(&amp;B)</translation>
    </message>
    <message>
        <source>Reboot device</source>
        <translation>重启设备</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>退出(&amp;X)</translation>
    </message>
    <message>
        <source>Exit and close</source>
        <translation>退出并关闭</translation>
    </message>
</context>
<context>
    <name>telvaro::ItemList</name>
    <message>
        <source>PLMN in SIM</source>
        <translation>SIM 中的 PLMN</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>手动</translation>
    </message>
    <message>
        <source>Use Peer DNS</source>
        <translation>使用对端 DNS</translation>
    </message>
    <message>
        <source>RS232</source>
        <translation>RS232</translation>
    </message>
    <message>
        <source>RS485</source>
        <translation>RS485</translation>
    </message>
    <message>
        <source>Disable PIN Lock</source>
        <translation>禁用 PIN 锁</translation>
    </message>
    <message>
        <source>Enable PIN Lock</source>
        <translation>启用 PIN 锁</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>奇校验</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>偶校验</translation>
    </message>
    <message>
        <source>Mark</source>
        <translation>标记</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>空格</translation>
    </message>
    <message>
        <source>Hardware</source>
        <translation>硬件</translation>
    </message>
    <message>
        <source>PAP</source>
        <translation>PAP</translation>
    </message>
    <message>
        <source>CHAP</source>
        <translation>CHAP</translation>
    </message>
    <message>
        <source>PAP and CHAP</source>
        <translation>PAP 和 CHAP</translation>
    </message>
    <message>
        <source>TCP Client</source>
        <translation>TCP 客户端</translation>
    </message>
    <message>
        <source>TCP Server</source>
        <translation>TCP 服务器</translation>
    </message>
    <message>
        <source>UDP</source>
        <translation>UDP</translation>
    </message>
    <message>
        <source>Always Online</source>
        <translation>永远在线</translation>
    </message>
    <message>
        <source>Connect On Demand</source>
        <translation>按需连接</translation>
    </message>
    <message>
        <source>Do Nothing</source>
        <translation>不处理</translation>
    </message>
    <message>
        <source>Delimiter +1</source>
        <translation>分隔符 +1</translation>
    </message>
    <message>
        <source>Delimiter +2</source>
        <translation>分隔符 +2</translation>
    </message>
    <message>
        <source>Strip Delimiter</source>
        <translation>去除分隔符</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>关</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>开</translation>
    </message>
    <message>
        <source>ONChange</source>
        <translation>变化时</translation>
    </message>
    <message>
        <source>Event Counter</source>
        <translation>事件计数</translation>
    </message>
    <message>
        <source>Null</source>
        <translation>空</translation>
    </message>
    <message>
        <source>Lo to Hi</source>
        <translation>低到高</translation>
    </message>
    <message>
        <source>Hi to Lo</source>
        <translation>高到低</translation>
    </message>
    <message>
        <source>Pulse</source>
        <translation>脉冲</translation>
    </message>
</context>
<context>
    <name>telvaro::PendingListDialog</name>
    <message>
        <source>Pending changes</source>
        <translation>未写入的更改</translation>
    </message>
    <message>
        <source>, and %1 that Write makes on its own</source>
        <translation>，另有 %1 项由写入自动处理</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>页面</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Modem&apos;s value</source>
        <translation>模块中的值</translation>
    </message>
    <message>
        <source>New value</source>
        <translation>新值</translation>
    </message>
    <message>
        <source>Why</source>
        <translation>原因</translation>
    </message>
    <message>
        <source>edited</source>
        <translation>已编辑</translation>
    </message>
    <message>
        <source>Write would stop on %1: %2</source>
        <translation>写入将停在 %1：%2</translation>
    </message>
    <message>
        <source>Revert setting</source>
        <translation>还原此设置</translation>
    </message>
    <message>
        <source>Revert all</source>
        <translation>全部还原</translation>
    </message>
</context>
<context>
    <name>telvaro::PendingView</name>
    <message>
        <source>%1 change not written</source>
        <translation>%1 项更改未写入</translation>
    </message>
    <message>
        <source>%1 changes not written</source>
        <translation>%1 项更改未写入</translation>
    </message>
    <message>
        <source>Modem: %1</source>
        <translation>模块：%1</translation>
    </message>
</context>
<context>
    <name>telvaro::PortSelector</name>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Close the comm port</source>
        <translation>关闭串口</translation>
    </message>
    <message>
        <source>Open the comm port</source>
        <translation>打开串口</translation>
    </message>
</context>
<context>
    <name>telvaro::ReplySection</name>
    <message>
        <source>Password:</source>
        <translation>密码:</translation>
    </message>
    <message>
        <source>Enable SMS Reply</source>
        <translation>启用短信回复</translation>
    </message>
    <message>
        <source>SMS</source>
        <translation>短信</translation>
    </message>
</context>
<context>
    <name>telvaro::StatusBar</name>
    <message>
        <source>Whether the serial port to the modem is open</source>
        <translation>通往调制解调器的串口是否打开</translation>
    </message>
    <message>
        <source>Port open</source>
        <translation>串口已打开</translation>
    </message>
    <message>
        <source>Port closed</source>
        <translation>串口已关闭</translation>
    </message>
    <message>
        <source>Click to list the changes</source>
        <translation>单击列出更改</translation>
    </message>
</context>
<context>
    <name>telvaro::TabControl</name>
    <message>
        <source>   Com</source>
        <translation>   串口</translation>
    </message>
    <message>
        <source>   Basic</source>
        <translation>   基本</translation>
    </message>
    <message>
        <source>  GPRS</source>
        <translation>  GPRS</translation>
    </message>
    <message>
        <source>Advanced 1</source>
        <translation>高级 1</translation>
    </message>
    <message>
        <source>Advanced 2</source>
        <translation>高级 2</translation>
    </message>
    <message>
        <source>Wakeup</source>
        <translation>唤醒</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>重启</translation>
    </message>
    <message>
        <source>     DI</source>
        <translation>     DI</translation>
    </message>
    <message>
        <source>    DO</source>
        <translation>    DO</translation>
    </message>
    <message>
        <source>Phone Book</source>
        <translation>电话簿</translation>
    </message>
    <message>
        <source>Phone Group</source>
        <translation>电话组</translation>
    </message>
    <message>
        <source>Networks</source>
        <translation>网络</translation>
    </message>
    <message>
        <source>     DO</source>
        <translation>     DO</translation>
    </message>
    <message>
        <source>    DI</source>
        <translation>    DI</translation>
    </message>
    <message>
        <source>Earlier tabs</source>
        <translation>前面的标签</translation>
    </message>
    <message>
        <source>Later tabs</source>
        <translation>后面的标签</translation>
    </message>
    <message>
        <source>Shows the tabs that do not fit in the strip</source>
        <translation>显示标签栏中放不下的标签</translation>
    </message>
</context>
<context>
    <name>telvaro::TimeBlock</name>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Time %1</source>
        <translation>时间 %1</translation>
    </message>
    <message>
        <source>(hh:mm)</source>
        <translation>(时:分)</translation>
    </message>
</context>
<context>
    <name>telvaro::ValueExchange</name>
    <message>
        <source>Please enter an integer.</source>
        <translation>请输入整数。</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>请输入 %1 到 %2 之间的整数。</translation>
    </message>
    <message>
        <source>Please enter no more than %1 characters.</source>
        <translation>请输入不超过 %1 个字符。</translation>
    </message>
</context>
</TS>
