<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>telvaro::CAboutDlg</name>
    <message>
        <source>About Telvaro Pro</source>
        <translation>Über Telvaro Pro</translation>
    </message>
    <message>
        <source>Configuration tool for Telvaro GSM/GPRS modems</source>
        <translation>Konfigurationsprogramm für Telvaro-GSM/GPRS-Modems</translation>
    </message>
    <message>
        <source>Version %1, Qt %2</source>
        <translation>Version %1, Qt %2</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>telvaro::CAdvanced1Page</name>
    <message>
        <source>Data Packing</source>
        <translation>Datenpaketierung</translation>
    </message>
    <message>
        <source>Interval Timeout (1*100ms)</source>
        <translation>Pausen-Timeout (1*100ms)</translation>
    </message>
    <message>
        <source>(2 - 100)</source>
        <translation>(2 - 100)</translation>
    </message>
    <message>
        <source>Packet Length</source>
        <translation>Paketlänge</translation>
    </message>
    <message>
        <source>(0 - 1024)</source>
        <translation>(0 - 1024)</translation>
    </message>
    <message>
        <source>Delimiter 1</source>
        <translation>Trenner 1</translation>
    </message>
    <message>
        <source>(Hex)</source>
        <translation>(Hex)</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Delimiter 2</source>
        <translation>Trenner 2</translation>
    </message>
    <message>
        <source>Delimiter Process</source>
        <translation>Trennzeichen-Verarb.</translation>
    </message>
    <message>
        <source>Tx Delay(1*100ms)</source>
        <translation>Sendeverzög. (1*100ms)</translation>
    </message>
    <message>
        <source>(1 - 50)</source>
        <translation>(1 - 50)</translation>
    </message>
    <message>
        <source>Online SMS Notification</source>
        <translation>SMS-Meldung bei Online</translation>
    </message>
    <message>
        <source>*Set phone NO. in Phone Book-&gt;SMS Control</source>
        <translation>*Rufnummer im Telefonbuch-&gt;SMS-Steuerung</translation>
    </message>
    <message>
        <source>International Roaming</source>
        <translation>Internationales Roaming</translation>
    </message>
    <message>
        <source>PLMN in SIM:</source>
        <translation>PLMN auf SIM:</translation>
    </message>
    <message>
        <source>Preferred PLMN</source>
        <translation>Bevorz. PLMN</translation>
    </message>
    <message>
        <source>CSD Backup (Incoming)</source>
        <translation>CSD-Reserve (eingehend)</translation>
    </message>
    <message>
        <source>*Set phone NO. in Phone Book-&gt;CSD</source>
        <translation>*Rufnummer im Telefonbuch-&gt;CSD</translation>
    </message>
    <message>
        <source>PLMN Selection</source>
        <translation>PLMN-Auswahl</translation>
    </message>
    <message>
        <source>Delimiter 1 Enable</source>
        <translation>Trennzeichen 1 aktiv</translation>
    </message>
    <message>
        <source>Delimiter 2 Enable</source>
        <translation>Trennzeichen 2 aktiv</translation>
    </message>
</context>
<context>
    <name>telvaro::CAdvanced2Page</name>
    <message>
        <source>Custom Login</source>
        <translation>Eigene Anmeldung</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Interval (s)</source>
        <translation>Intervall (s)</translation>
    </message>
    <message>
        <source>(5 - 120)</source>
        <translation>(5 - 120)</translation>
    </message>
    <message>
        <source>Max Retries</source>
        <translation>Versuche</translation>
    </message>
    <message>
        <source>(0 - 60)</source>
        <translation>(0 - 60)</translation>
    </message>
    <message>
        <source>REQ Packet (0x)</source>
        <translation>REQ-Paket (0x)</translation>
    </message>
    <message>
        <source>ACK Packet (0x)</source>
        <translation>ACK-Paket (0x)</translation>
    </message>
    <message>
        <source>Custom Keep Alive</source>
        <translation>Eigenes Keep-Alive</translation>
    </message>
    <message>
        <source>(5 - 1200)</source>
        <translation>(5 - 1200)</translation>
    </message>
    <message>
        <source>Custom Logout</source>
        <translation>Eigene Abmeldung</translation>
    </message>
</context>
<context>
    <name>telvaro::CBasicPage</name>
    <message>
        <source>ME Type</source>
        <translation>ME-Typ</translation>
    </message>
    <message>
        <source>IMEI</source>
        <translation>IMEI</translation>
    </message>
    <message>
        <source>Device Name</source>
        <translation>Gerätename</translation>
    </message>
    <message>
        <source>Com Type Selection</source>
        <translation>Schnittstellentyp</translation>
    </message>
    <message>
        <source>Synchronize with PC</source>
        <translation>Mit PC abgleichen</translation>
    </message>
    <message>
        <source>SIM Card PIN Setup</source>
        <translation>PIN der SIM-Karte</translation>
    </message>
    <message>
        <source>Change PIN Code</source>
        <translation>PIN ändern</translation>
    </message>
    <message>
        <source>Input PIN Code</source>
        <translation>PIN eingeben</translation>
    </message>
    <message>
        <source>Input New Code</source>
        <translation>Neue PIN</translation>
    </message>
    <message>
        <source>Init. String</source>
        <translation>Init-Befehl</translation>
    </message>
    <message>
        <source>Command 1:</source>
        <translation>Befehl 1:</translation>
    </message>
    <message>
        <source>SMS Control</source>
        <translation>SMS-Steuerung</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Enable Output Debug Message to Com</source>
        <translation>Debug-Meldungen an die Schnittstelle</translation>
    </message>
    <message>
        <source>rtc time</source>
        <translation>RTC-Zeit</translation>
    </message>
    <message>
        <source>PIN Lock</source>
        <translation>PIN-Sperre</translation>
    </message>
</context>
<context>
    <name>telvaro::CComPage</name>
    <message>
        <source>Serial Interface</source>
        <translation>Serielle Schnittstelle</translation>
    </message>
    <message>
        <source>Baud Rate</source>
        <translation>Baudrate</translation>
    </message>
    <message>
        <source>Data Bits</source>
        <translation>Datenbits</translation>
    </message>
    <message>
        <source>Parity</source>
        <translation>Parität</translation>
    </message>
    <message>
        <source>Stop Bits</source>
        <translation>Stoppbits</translation>
    </message>
    <message>
        <source>Flow Control</source>
        <translation>Flusssteuerung</translation>
    </message>
</context>
<context>
    <name>telvaro::CDiPage</name>
    <message>
        <source>DI_0 Config</source>
        <translation>DI_0 Einstellung</translation>
    </message>
    <message>
        <source>DI_1 Config</source>
        <translation>DI_1 Einstellung</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modus</translation>
    </message>
    <message>
        <source>Phone Group</source>
        <translation>Rufgruppe</translation>
    </message>
    <message>
        <source>Counter Active</source>
        <translation>Zählflanke</translation>
    </message>
    <message>
        <source>Counter Start When Power On</source>
        <translation>Zähler beim Einschalten starten</translation>
    </message>
    <message>
        <source>Count Trigger</source>
        <translation>Zählschwelle</translation>
    </message>
    <message>
        <source>(0 - 30000)</source>
        <translation>(0 - 30000)</translation>
    </message>
    <message>
        <source>Filtering</source>
        <translation>Filterung</translation>
    </message>
    <message>
        <source>(0 - 10000) ms</source>
        <translation>(0 - 10000) ms</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>Triggering Alarm</source>
        <translation>Alarm ein</translation>
    </message>
    <message>
        <source>On</source>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Recovering Alarm</source>
        <translation>Alarm aus</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>(70 ASIC II char max)</source>
        <translation>(max. 70 ASCII-Zeichen)</translation>
    </message>
    <message>
        <source>DI over TCP</source>
        <translation>DI über TCP</translation>
    </message>
    <message>
        <source>DI Over IP</source>
        <translation>DI über IP</translation>
    </message>
</context>
<context>
    <name>telvaro::CDoPage</name>
    <message>
        <source>DO Config</source>
        <translation>DO Einstellung</translation>
    </message>
    <message>
        <source>Alarm Source:</source>
        <translation>Alarmquelle:</translation>
    </message>
    <message>
        <source>DI Alarm</source>
        <translation>DI-Alarm</translation>
    </message>
    <message>
        <source>SMS Control</source>
        <translation>SMS-Steuerung</translation>
    </message>
    <message>
        <source>Phone Control</source>
        <translation>Anrufsteuerung</translation>
    </message>
    <message>
        <source>Alarm On Action</source>
        <translation>Aktion Alarm ein</translation>
    </message>
    <message>
        <source>Alarm Off Action</source>
        <translation>Aktion Alarm aus</translation>
    </message>
    <message>
        <source>Status When Power On</source>
        <translation>Zustand beim Start</translation>
    </message>
    <message>
        <source>Phone Group</source>
        <translation>Rufgruppe</translation>
    </message>
    <message>
        <source>Keep On</source>
        <translation>Haltedauer</translation>
    </message>
    <message>
        <source>(0 - 255) sec</source>
        <translation>(0 - 255) s</translation>
    </message>
    <message>
        <source>Pulse Mode:</source>
        <translation>Pulsbetrieb:</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>(1 - 30000) ms</source>
        <translation>(1 - 30000) ms</translation>
    </message>
    <message>
        <source>High</source>
        <translation>High</translation>
    </message>
    <message>
        <source>Delay</source>
        <translation>Verzög.</translation>
    </message>
    <message>
        <source>(0 - 30000) ms</source>
        <translation>(0 - 30000) ms</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Ausgabe</translation>
    </message>
    <message>
        <source>(0 - 30000) pulses</source>
        <translation>(0 - 30000) Pulse</translation>
    </message>
    <message>
        <source>SMS Control:</source>
        <translation>SMS-Steuerung:</translation>
    </message>
    <message>
        <source>Triggering Alarm</source>
        <translation>Alarm ein</translation>
    </message>
    <message>
        <source>Recovering Alarm</source>
        <translation>Alarm aus</translation>
    </message>
    <message>
        <source>DO over TCP</source>
        <translation>DO über TCP</translation>
    </message>
    <message>
        <source>Always Trigger</source>
        <translation>Immer auslösen</translation>
    </message>
</context>
<context>
    <name>telvaro::CGprsPage</name>
    <message>
        <source>ISP</source>
        <translation>Provider</translation>
    </message>
    <message>
        <source>APN</source>
        <translation>APN</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>Benutzer</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
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
        <translation>PPP-Authentifizierung</translation>
    </message>
    <message>
        <source>Socket Application</source>
        <translation>Socket-Anwendung</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modus</translation>
    </message>
    <message>
        <source>IP/URL</source>
        <translation>IP/URL</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Modbus RTU Slave Over TCP</source>
        <translation>Modbus-RTU-Slave über TCP</translation>
    </message>
    <message>
        <source>Connection Control</source>
        <translation>Verbindungssteuerung</translation>
    </message>
    <message>
        <source> Shut Down Module      When Idle</source>
        <translation> Modul bei Leerlauf abschalten</translation>
    </message>
    <message>
        <source>Inactivity Time (s)</source>
        <translation>Inaktivitätszeit (s)</translation>
    </message>
    <message>
        <source>(5 - 1200)</source>
        <translation>(5 - 1200)</translation>
    </message>
    <message>
        <source>Connect Interval (s)</source>
        <translation>Verbindungsintervall (s)</translation>
    </message>
    <message>
        <source>(10 - 1200)</source>
        <translation>(10 - 1200)</translation>
    </message>
    <message>
        <source>Max Retries</source>
        <translation>Versuche</translation>
    </message>
    <message>
        <source>(1 - 60)</source>
        <translation>(1 - 60)</translation>
    </message>
    <message>
        <source>Connection IdleTimeout (s)</source>
        <translation>Leerlauf-Timeout (s)</translation>
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
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>*There are two working mode availble in Z770, which is Config Mode and Normal Mode;</source>
        <translation>*Das Z770 hat zwei Betriebsarten: Konfigurationsmodus und Normalmodus;</translation>
    </message>
    <message>
        <source>*Debug page configuration is only availble under Normal Mode;</source>
        <translation>*Die Debug-Seite ist nur im Normalmodus verfügbar;</translation>
    </message>
    <message>
        <source>*User could only control the modem via AT Commands under Normal Mode;</source>
        <translation>*AT-Befehle steuern das Modem nur im Normalmodus;</translation>
    </message>
    <message>
        <source>*For rest page, it is only available for configuring under Config;</source>
        <translation>*Alle anderen Seiten sind nur im Konfigurationsmodus einstellbar;</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>telvaro::CMainDlg</name>
    <message>
        <source>* Reboot for changes to take effect</source>
        <translation>* Änderungen gelten nach Neustart</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>&amp;Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Upgrade firmware...</source>
        <translation>&amp;Firmware aktualisieren...</translation>
    </message>
    <message>
        <source>Fast upgrade</source>
        <translation>Schnelle Aktualisierung</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Sprache</translation>
    </message>
    <message>
        <source>&amp;help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;about</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <source>The language changes at the next start</source>
        <translation>Die Sprache wechselt beim nächsten Start</translation>
    </message>
    <message>
        <source>Upgrade firmware</source>
        <translation>Firmware aktualisieren</translation>
    </message>
    <message>
        <source>COM%1: device disconnected</source>
        <translation>COM%1: Gerät getrennt</translation>
    </message>
    <message>
        <source>Writing COM%1...</source>
        <translation>Schreibe COM%1...</translation>
    </message>
    <message>
        <source>Reading COM%1...</source>
        <translation>Lese COM%1...</translation>
    </message>
    <message>
        <source>No answer from the modem on COM%1</source>
        <translation>Keine Antwort vom Modem an COM%1</translation>
    </message>
    <message>
        <source>Upgrading COM%1...</source>
        <translation>Aktualisiere COM%1...</translation>
    </message>
    <message>
        <source>&amp;Export</source>
        <translation>&amp;Exportieren</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>&amp;Importieren</translation>
    </message>
    <message>
        <source>Export &amp;profile...</source>
        <translation>&amp;Profil exportieren...</translation>
    </message>
    <message>
        <source>Import p&amp;rofile...</source>
        <translation>Profil i&amp;mportieren...</translation>
    </message>
    <message>
        <source>Save traffic log...</source>
        <translation>Verkehrsprotokoll speichern...</translation>
    </message>
    <message>
        <source>&amp;Open settings file...</source>
        <translation>Einstellungsdatei ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>Pe&amp;nding changes...</source>
        <translation>Ausste&amp;hende Änderungen...</translation>
    </message>
    <message>
        <source>&amp;Confirm success with a message</source>
        <translation>Erfolg mit einer Meldung &amp;bestätigen</translation>
    </message>
    <message>
        <source>Wrote %1 change</source>
        <translation>%1 Änderung geschrieben</translation>
    </message>
    <message>
        <source>Wrote %1 changes</source>
        <translation>%1 Änderungen geschrieben</translation>
    </message>
    <message>
        <source>&amp;Write</source>
        <translation>&amp;Schreiben</translation>
    </message>
    <message>
        <source>&amp;Discard</source>
        <translation>&amp;Verwerfen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Write and close</source>
        <translation>&amp;Schreiben und schließen</translation>
    </message>
    <message>
        <source>&amp;Close without them</source>
        <translation>Ohne sie s&amp;chließen</translation>
    </message>
    <message>
        <source>Reboot &amp;without it</source>
        <translation>Neustart &amp;ohne sie</translation>
    </message>
    <message>
        <source>Reboot &amp;without them</source>
        <translation>Neustart &amp;ohne sie</translation>
    </message>
    <message>
        <source>&amp;Write and reboot</source>
        <translation>&amp;Schreiben und neu starten</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>telvaro::CNetworksPage</name>
    <message>
        <source>*Click &quot;Read&quot; to refresh the status</source>
        <translation>*„Lesen“ klicken, um den Status zu aktualisieren</translation>
    </message>
    <message>
        <source>SMS Service Center</source>
        <translation>SMS-Zentrale</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Netz</translation>
    </message>
    <message>
        <source>Registration:</source>
        <translation>Anmeldung:</translation>
    </message>
    <message>
        <source>GSM Operator:</source>
        <translation>GSM-Betreiber:</translation>
    </message>
    <message>
        <source>Cell ID:</source>
        <translation>Zellen-ID:</translation>
    </message>
    <message>
        <source>Rx Level</source>
        <translation>Empfangspegel</translation>
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
        <translation>Abfrageintervall</translation>
    </message>
    <message>
        <source>Sec (recommand 30 seconds)</source>
        <translation>s (empfohlen 30 s)</translation>
    </message>
    <message>
        <source>GPRS Status</source>
        <translation>GPRS-Status</translation>
    </message>
    <message>
        <source>Local IP:</source>
        <translation>Lokale IP:</translation>
    </message>
    <message>
        <source>GPRS Status:</source>
        <translation>GPRS-Status:</translation>
    </message>
    <message>
        <source>TCP Status:</source>
        <translation>TCP-Status:</translation>
    </message>
    <message>
        <source>Tx (byte):</source>
        <translation>Gesendet (Byte):</translation>
    </message>
    <message>
        <source>Rx (byte):</source>
        <translation>Empfangen (Byte):</translation>
    </message>
    <message>
        <source>The modem&apos;s signal strength in bars, from the last Read</source>
        <translation>Signalstärke des Modems in Balken, vom letzten Lesen</translation>
    </message>
    <message>
        <source>Antenna</source>
        <translation>Antenne</translation>
    </message>
    <message>
        <source>Beside the signal bars of the modem&apos;s antenna</source>
        <translation>Neben den Signalbalken der Modemantenne</translation>
    </message>
    <message>
        <source>Signal: %1 of 3 bars</source>
        <translation>Signal: %1 von 3 Balken</translation>
    </message>
</context>
<context>
    <name>telvaro::CNoteDlg</name>
    <message>
        <source>Note</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>telvaro::CPhoneBookPage</name>
    <message>
        <source>Reboot</source>
        <translation>Neustart</translation>
    </message>
    <message>
        <source>Wakeup</source>
        <translation>Wecken</translation>
    </message>
    <message>
        <source>CSD</source>
        <translation>CSD</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>Steuern</translation>
    </message>
    <message>
        <source>*Write each number in international format: a plus sign, then the</source>
        <translation>*Jede Nummer international schreiben: ein Pluszeichen, dann</translation>
    </message>
    <message>
        <source> country code and the number, e.g. +8613912345678.</source>
        <translation> Landesvorwahl und Nummer, z. B. +8613912345678.</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>Phone NO.</source>
        <translation>Rufnummer</translation>
    </message>
    <message>
        <source>Call</source>
        <translation>Anruf</translation>
    </message>
    <message>
        <source>SMS</source>
        <translation>SMS</translation>
    </message>
    <message>
        <source>Phone NO. %1</source>
        <translation>Rufnummer %1</translation>
    </message>
    <message>
        <source>Phone %1 %2 %3</source>
        <translation>Rufnummer %1 %2 %3</translation>
    </message>
</context>
<context>
    <name>telvaro::CPhoneGroupPage</name>
    <message>
        <source>Phone Book Index</source>
        <translation>Telefonbuch-Eintrag</translation>
    </message>
    <message>
        <source>Index</source>
        <translation>Gruppe</translation>
    </message>
    <message>
        <source>Group %1 member %2</source>
        <translation>Gruppe %1 Mitglied %2</translation>
    </message>
</context>
<context>
    <name>telvaro::CRebootPage</name>
    <message>
        <source>Reboot Mode</source>
        <translation>Neustartmodus</translation>
    </message>
    <message>
        <source>Call </source>
        <translation>Anruf</translation>
    </message>
    <message>
        <source>SMS</source>
        <translation>SMS</translation>
    </message>
    <message>
        <source>*Set phone NO. in Phone Book-&gt;Call Reboot, SMS Reboot</source>
        <translation>*Rufnummer im Telefonbuch-&gt;Anruf/SMS Neustart</translation>
    </message>
</context>
<context>
    <name>telvaro::CWakeupPage</name>
    <message>
        <source>Wakeup</source>
        <translation>Wecken</translation>
    </message>
    <message>
        <source>Periodically Connect Interval (min)</source>
        <translation>Periodisch verbinden, Intervall (min)</translation>
    </message>
    <message>
        <source>(1 - 1800)</source>
        <translation>(1 - 1800)</translation>
    </message>
    <message>
        <source>Call</source>
        <translation>Anruf</translation>
    </message>
    <message>
        <source>SMS</source>
        <translation>SMS</translation>
    </message>
    <message>
        <source>Serial Data Wakeup</source>
        <translation>Wecken durch serielle Daten</translation>
    </message>
    <message>
        <source>Output (0x)</source>
        <translation>Ausgabe (0x)</translation>
    </message>
    <message>
        <source>to COM After Online</source>
        <translation>an COM nach Online</translation>
    </message>
    <message>
        <source>*Set phone NO. in Phone Book-&gt;Call Wakeup, SMS Wakeup</source>
        <translation>*Rufnummer im Telefonbuch-&gt;Anruf/SMS Wecken</translation>
    </message>
</context>
<context>
    <name>telvaro::CommandButtons</name>
    <message>
        <source>&amp;Read</source>
        <translation>&amp;Lesen</translation>
    </message>
    <message>
        <source>Get parameters from device</source>
        <translation>Parameter vom Gerät lesen</translation>
    </message>
    <message>
        <source>&amp;Write</source>
        <translation>&amp;Schreiben</translation>
    </message>
    <message>
        <source>Set parameters to device</source>
        <translation>Parameter ins Gerät schreiben</translation>
    </message>
    <message>
        <source>&amp;Default</source>
        <translation>Stan&amp;dard</translation>
    </message>
    <message>
        <source>Set device default paramters</source>
        <translation>Werkseinstellungen setzen</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Upgrade firmware</source>
        <translation>Firmware aktualisieren</translation>
    </message>
    <message>
        <source>Re&amp;boot</source>
        <translation>Neu&amp;start</translation>
    </message>
    <message>
        <source>Reboot device</source>
        <translation>Gerät neu starten</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Exit and close</source>
        <translation>Beenden und schließen</translation>
    </message>
</context>
<context>
    <name>telvaro::ItemList</name>
    <message>
        <source>PLMN in SIM</source>
        <translation>PLMN der SIM</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuell</translation>
    </message>
    <message>
        <source>Use Peer DNS</source>
        <translation>DNS vom Netz</translation>
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
        <translation>PIN-Sperre aus</translation>
    </message>
    <message>
        <source>Enable PIN Lock</source>
        <translation>PIN-Sperre ein</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>Ungerade</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>Gerade</translation>
    </message>
    <message>
        <source>Mark</source>
        <translation>Mark</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>Hardware</source>
        <translation>Hardware</translation>
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
        <translation>PAP und CHAP</translation>
    </message>
    <message>
        <source>TCP Client</source>
        <translation>TCP-Client</translation>
    </message>
    <message>
        <source>TCP Server</source>
        <translation>TCP-Server</translation>
    </message>
    <message>
        <source>UDP</source>
        <translation>UDP</translation>
    </message>
    <message>
        <source>Always Online</source>
        <translation>Immer online</translation>
    </message>
    <message>
        <source>Connect On Demand</source>
        <translation>Bei Bedarf verbinden</translation>
    </message>
    <message>
        <source>Do Nothing</source>
        <translation>Nichts tun</translation>
    </message>
    <message>
        <source>Delimiter +1</source>
        <translation>Trennzeichen +1</translation>
    </message>
    <message>
        <source>Delimiter +2</source>
        <translation>Trennzeichen +2</translation>
    </message>
    <message>
        <source>Strip Delimiter</source>
        <translation>Trennzeichen entfernen</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>AUS</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>EIN</translation>
    </message>
    <message>
        <source>ONChange</source>
        <translation>Bei Änderung</translation>
    </message>
    <message>
        <source>Event Counter</source>
        <translation>Ereigniszähler</translation>
    </message>
    <message>
        <source>Null</source>
        <translation>Null</translation>
    </message>
    <message>
        <source>Lo to Hi</source>
        <translation>Low nach High</translation>
    </message>
    <message>
        <source>Hi to Lo</source>
        <translation>High nach Low</translation>
    </message>
    <message>
        <source>Pulse</source>
        <translation>Puls</translation>
    </message>
</context>
<context>
    <name>telvaro::PendingListDialog</name>
    <message>
        <source>Pending changes</source>
        <translation>Ausstehende Änderungen</translation>
    </message>
    <message>
        <source>, and %1 that Write makes on its own</source>
        <translation>, und %1, die Schreiben selbst vornimmt</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Seite</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Einstellung</translation>
    </message>
    <message>
        <source>Modem&apos;s value</source>
        <translation>Wert im Modem</translation>
    </message>
    <message>
        <source>New value</source>
        <translation>Neuer Wert</translation>
    </message>
    <message>
        <source>Why</source>
        <translation>Grund</translation>
    </message>
    <message>
        <source>edited</source>
        <translation>bearbeitet</translation>
    </message>
    <message>
        <source>Write would stop on %1: %2</source>
        <translation>Schreiben würde bei %1 anhalten: %2</translation>
    </message>
    <message>
        <source>Revert setting</source>
        <translation>Einstellung zurücksetzen</translation>
    </message>
    <message>
        <source>Revert all</source>
        <translation>Alle zurücksetzen</translation>
    </message>
</context>
<context>
    <name>telvaro::PendingView</name>
    <message>
        <source>%1 change not written</source>
        <translation>%1 Änderung nicht geschrieben</translation>
    </message>
    <message>
        <source>%1 changes not written</source>
        <translation>%1 Änderungen nicht geschrieben</translation>
    </message>
    <message>
        <source>Modem: %1</source>
        <translation>Modem: %1</translation>
    </message>
</context>
<context>
    <name>telvaro::PortSelector</name>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Close the comm port</source>
        <translation>Schnittstelle schließen</translation>
    </message>
    <message>
        <source>Open the comm port</source>
        <translation>Schnittstelle öffnen</translation>
    </message>
</context>
<context>
    <name>telvaro::ReplySection</name>
    <message>
        <source>Password:</source>
        <translation>Passwort:</translation>
    </message>
    <message>
        <source>Enable SMS Reply</source>
        <translation>SMS-Antwort</translation>
    </message>
    <message>
        <source>SMS</source>
        <translation>SMS</translation>
    </message>
</context>
<context>
    <name>telvaro::StatusBar</name>
    <message>
        <source>Whether the serial port to the modem is open</source>
        <translation>Ob die serielle Schnittstelle zum Modem offen ist</translation>
    </message>
    <message>
        <source>Port open</source>
        <translation>Schnittstelle offen</translation>
    </message>
    <message>
        <source>Port closed</source>
        <translation>Schnittstelle geschlossen</translation>
    </message>
    <message>
        <source>Click to list the changes</source>
        <translation>Klicken, um die Änderungen aufzulisten</translation>
    </message>
</context>
<context>
    <name>telvaro::TabControl</name>
    <message>
        <source>   Com</source>
        <translation>   COM</translation>
    </message>
    <message>
        <source>   Basic</source>
        <translation>   Basis</translation>
    </message>
    <message>
        <source>  GPRS</source>
        <translation>  GPRS</translation>
    </message>
    <message>
        <source>Advanced 1</source>
        <translation>Erweitert 1</translation>
    </message>
    <message>
        <source>Advanced 2</source>
        <translation>Erweitert 2</translation>
    </message>
    <message>
        <source>Wakeup</source>
        <translation>Wecken</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>Neustart</translation>
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
        <translation>Telefonbuch</translation>
    </message>
    <message>
        <source>Phone Group</source>
        <translation>Rufgruppe</translation>
    </message>
    <message>
        <source>Networks</source>
        <translation>Netz</translation>
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
        <translation>Vorige Reiter</translation>
    </message>
    <message>
        <source>Later tabs</source>
        <translation>Weitere Reiter</translation>
    </message>
    <message>
        <source>Shows the tabs that do not fit in the strip</source>
        <translation>Zeigt die Reiter, die nicht in die Leiste passen</translation>
    </message>
</context>
<context>
    <name>telvaro::TimeBlock</name>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Time %1</source>
        <translation>Zeit %1</translation>
    </message>
    <message>
        <source>(hh:mm)</source>
        <translation>(hh:mm)</translation>
    </message>
</context>
<context>
    <name>telvaro::ValueExchange</name>
    <message>
        <source>Please enter an integer.</source>
        <translation>Bitte eine ganze Zahl eingeben.</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Bitte eine ganze Zahl von %1 bis %2 eingeben.</translation>
    </message>
    <message>
        <source>Please enter no more than %1 characters.</source>
        <translation>Bitte höchstens %1 Zeichen eingeben.</translation>
    </message>
</context>
</TS>
