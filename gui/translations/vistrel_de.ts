<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CDesktopNotifier</name>
    <message>
        <source>New device: %1</source>
        <translation>Neues Gerät: %1</translation>
    </message>
    <message>
        <source>New device: %1 (%2)</source>
        <translation>Neues Gerät: %1 (%2)</translation>
    </message>
    <message>
        <source>%1 answers with another MAC: %2 (was %3)</source>
        <translation>%1 antwortet mit einer anderen MAC: %2 (vorher %3)</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>und %1 weitere</translation>
    </message>
    <message>
        <source>Changes on the network</source>
        <translation>Änderungen im Netzwerk</translation>
    </message>
    <message>
        <source>The scan was not recorded</source>
        <translation>Der Scan wurde nicht aufgezeichnet</translation>
    </message>
</context>
<context>
    <name>CDeviceHistory</name>
    <message>
        <source>History...</source>
        <translation>Verlauf...</translation>
    </message>
    <message>
        <source>Forget this device</source>
        <translation>Dieses Gerät vergessen</translation>
    </message>
    <message>
        <source>This device is not in the inventory.</source>
        <translation>Dieses Gerät ist nicht im Inventar.</translation>
    </message>
    <message>
        <source>answering</source>
        <translation>antwortet</translation>
    </message>
    <message>
        <source>missed by the last scan</source>
        <translation>beim letzten Scan nicht gefunden</translation>
    </message>
    <message>
        <source>gone</source>
        <translation>verschwunden</translation>
    </message>
    <message>
        <source>its address answers with another MAC</source>
        <translation>seine Adresse antwortet mit einer anderen MAC</translation>
    </message>
    <message>
        <source>new</source>
        <translation>neu</translation>
    </message>
    <message>
        <source>back</source>
        <translation>zurück</translation>
    </message>
    <message>
        <source>address changed</source>
        <translation>Adresse geändert</translation>
    </message>
    <message>
        <source>MAC changed</source>
        <translation>MAC geändert</translation>
    </message>
    <message>
        <source>name changed</source>
        <translation>Name geändert</translation>
    </message>
    <message>
        <source>services changed</source>
        <translation>Dienste geändert</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Vendor</source>
        <translation>Hersteller</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>First seen</source>
        <translation>Zuerst gesehen</translation>
    </message>
    <message>
        <source>Last seen</source>
        <translation>Zuletzt gesehen</translation>
    </message>
    <message>
        <source>Addresses</source>
        <translation>Adressen</translation>
    </message>
    <message>
        <source>Names</source>
        <translation>Namen</translation>
    </message>
    <message>
        <source>Events</source>
        <translation>Ereignisse</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Änderung</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>Vorher</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Nachher</translation>
    </message>
    <message>
        <source>History of %1</source>
        <translation>Verlauf von %1</translation>
    </message>
    <message>
        <source>Remove %1 and all its history from the inventory?</source>
        <translation>%1 mit seinem ganzen Verlauf aus dem Inventar entfernen?</translation>
    </message>
</context>
<context>
    <name>COrtavoViewer</name>
    <message>
        <source>Program run error</source>
        <translation>Fehler beim Programmstart</translation>
    </message>
    <message>
        <source>Ortavo Viewer is not installed on this computer. &lt;br&gt;You can download it for free at </source>
        <translation>Ortavo Viewer ist auf diesem Computer nicht installiert. &lt;br&gt;Sie können ihn kostenlos herunterladen unter </translation>
    </message>
</context>
<context>
    <name>CScanInventory</name>
    <message>
        <source>changed</source>
        <translation>geändert</translation>
    </message>
</context>
<context>
    <name>CTelnetLauncher</name>
    <message>
        <source>Telnet run</source>
        <translation>Telnet-Start</translation>
    </message>
    <message>
        <source>Failed to find telnet.exe. Check if Telnet is installed</source>
        <translation>telnet.exe wurde nicht gefunden. Prüfen Sie, ob Telnet installiert ist</translation>
    </message>
    <message>
        <source>Could not establish connection to the remote host</source>
        <translation>Es konnte keine Verbindung zum entfernten Rechner hergestellt werden</translation>
    </message>
</context>
<context>
    <name>Load from file</name>
    <message>
        <source>Reading from file:</source>
        <translation>Lesen aus Datei:</translation>
    </message>
    <message>
        <source>Empty file</source>
        <translation>Leere Datei</translation>
    </message>
    <message>
        <source>Text &quot;%2&quot; at line %1 is not an ip range</source>
        <translation>Der Text „%2“ in Zeile %1 ist kein IP-Bereich</translation>
    </message>
    <message>
        <source>Unable to read data from file</source>
        <translation>Die Daten der Datei können nicht gelesen werden</translation>
    </message>
    <message>
        <source>No IP addresses found</source>
        <translation>Keine IP-Adressen gefunden</translation>
    </message>
    <message>
        <source>Error occured</source>
        <translation>Ein Fehler ist aufgetreten</translation>
    </message>
    <message>
        <source>Invalid file format</source>
        <translation>Ungültiges Dateiformat</translation>
    </message>
    <message>
        <source>Cannot open the file</source>
        <translation>Die Datei kann nicht geöffnet werden</translation>
    </message>
</context>
<context>
    <name>VNetAccountPage</name>
    <message>
        <source>User name:</source>
        <translation>Benutzername:</translation>
    </message>
    <message>
        <source>Domain or workgroup:</source>
        <translation>Domäne oder Arbeitsgruppe:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Kennwort:</translation>
    </message>
    <message>
        <source>Test on host (address):</source>
        <translation>Auf Host testen (Adresse):</translation>
    </message>
    <message>
        <source>Test this account</source>
        <translation>Dieses Konto testen</translation>
    </message>
    <message>
        <source>Enter the host&apos;s address, four decimal numbers.</source>
        <translation>Geben Sie die Adresse des Hosts ein, vier Dezimalzahlen.</translation>
    </message>
    <message>
        <source>Enter a user name; &apos;%&apos; and control characters cannot be used.</source>
        <translation>Geben Sie einen Benutzernamen ein; „%“ und Steuerzeichen sind nicht erlaubt.</translation>
    </message>
    <message>
        <source>Testing on %1...</source>
        <translation>Test auf %1...</translation>
    </message>
    <message>
        <source>%1 accepted the account.</source>
        <translation>%1 hat das Konto angenommen.</translation>
    </message>
    <message>
        <source>%1 refused the account: wrong user name or password.</source>
        <translation>%1 hat das Konto abgelehnt: falscher Benutzername oder falsches Kennwort.</translation>
    </message>
    <message>
        <source>%1 refused the account: access denied.</source>
        <translation>%1 hat das Konto abgelehnt: Zugriff verweigert.</translation>
    </message>
    <message>
        <source>%1 could not be reached.</source>
        <translation>%1 ist nicht erreichbar.</translation>
    </message>
    <message>
        <source>The test on %1 failed (error %2).</source>
        <translation>Der Test auf %1 ist fehlgeschlagen (Fehler %2).</translation>
    </message>
</context>
<context>
    <name>VRemoteShutdown</name>
    <message>
        <source>Shutdown options</source>
        <translation>Optionen für das Herunterfahren</translation>
    </message>
    <message>
        <source>Use Windows authentification</source>
        <translation>Windows-Anmeldung verwenden</translation>
    </message>
    <message>
        <source>User name:</source>
        <translation>Benutzername:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Kennwort:</translation>
    </message>
    <message>
        <source>Timeout (sec):</source>
        <translation>Wartezeit (s):</translation>
    </message>
    <message>
        <source>Message:</source>
        <translation>Nachricht:</translation>
    </message>
    <message>
        <source>Forced shutdown</source>
        <translation>Erzwungenes Herunterfahren</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>Neu starten</translation>
    </message>
    <message>
        <source>Shutdown</source>
        <translation>Herunterfahren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Incorrect data</source>
        <translation>Ungültige Angaben</translation>
    </message>
    <message>
        <source>Invalid timeout. Should be 0...%1</source>
        <translation>Ungültige Wartezeit. Erlaubt sind 0...%1</translation>
    </message>
</context>
<context>
    <name>VResultsBackend</name>
    <message>
        <source>Alive</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Dead</source>
        <translation>Inaktiv</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Ortavo: %1</source>
        <extracomment>A child row of a host: one open Ortavo port, %1 is its number.</extracomment>
        <translation>Ortavo, Port %1</translation>
    </message>
    <message>
        <source>Alive: an address of this computer</source>
        <extracomment>Tooltip of an alive host&apos;s status: why it counts as alive.</extracomment>
        <translation>Aktiv: eine Adresse dieses Computers</translation>
    </message>
    <message>
        <source>Alive: answered ARP</source>
        <extracomment>Tooltip of an alive host&apos;s status: it answered an ARP request.</extracomment>
        <translation>Aktiv: hat auf ARP geantwortet</translation>
    </message>
    <message>
        <source>Alive: answered ICMP echo (ping)</source>
        <extracomment>Tooltip of an alive host&apos;s status: it answered a ping.</extracomment>
        <translation>Aktiv: hat auf ICMP-Echo (Ping) geantwortet</translation>
    </message>
    <message>
        <source>%1 (port %2)</source>
        <extracomment>A child row of a host: a web page on another port; %1 its title, %2 the port.</extracomment>
        <translation>%1 (Port %2)</translation>
    </message>
    <message>
        <source>HTTP, port %1</source>
        <extracomment>A child row of a host: a web server without a page title on port %1.</extracomment>
        <translation>HTTP, Port %1</translation>
    </message>
    <message>
        <source>HTTPS, port %1</source>
        <extracomment>As &quot;HTTP, port %1&quot;, over TLS.</extracomment>
        <translation>HTTPS, Port %1</translation>
    </message>
</context>
<context>
    <name>VShutdowns</name>
    <message>
        <source>Shutdown results</source>
        <translation>Ergebnisse des Herunterfahrens</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Processing...</source>
        <translation>Wird ausgeführt...</translation>
    </message>
    <message>
        <source>Succeeded</source>
        <translation>Erfolgreich</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>columns</name>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>NetBIOS name</source>
        <translation>NetBIOS-Name</translation>
    </message>
    <message>
        <source>NetBIOS group</source>
        <translation>NetBIOS-Gruppe</translation>
    </message>
    <message>
        <source>Comments</source>
        <translation>Kommentare</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>IP</source>
        <translation>IP-Adresse</translation>
    </message>
    <message>
        <source>MAC address</source>
        <translation>MAC-Adresse</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Benutzer</translation>
    </message>
    <message>
        <source>First seen</source>
        <translation>Zuerst gesehen</translation>
    </message>
    <message>
        <source>Last seen</source>
        <translation>Zuletzt gesehen</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Änderung</translation>
    </message>
    <message>
        <source>Vendor</source>
        <translation>Hersteller</translation>
    </message>
</context>
<context>
    <name>v_OrtavoConnectOptionsClass</name>
    <message>
        <source>Ortavo connection options</source>
        <translation>Ortavo-Verbindungsoptionen</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>v_host_properties</name>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Add to &quot;Favorites&quot;</source>
        <translation>Zu „Favoriten“ hinzufügen</translation>
    </message>
    <message>
        <source>Incorrect IP address</source>
        <translation>Ungültige IP-Adresse</translation>
    </message>
    <message>
        <source>Incorrect MAC address</source>
        <translation>Ungültige MAC-Adresse</translation>
    </message>
    <message>
        <source>Item with this IP already exists</source>
        <translation>Ein Eintrag mit dieser IP existiert bereits</translation>
    </message>
</context>
<context>
    <name>v_host_propertiesClass</name>
    <message>
        <source>v_host_properties</source>
        <translation>Host-Eigenschaften</translation>
    </message>
    <message>
        <source>IP:</source>
        <translation>IP:</translation>
    </message>
    <message>
        <source>MAC:</source>
        <translation>MAC:</translation>
    </message>
    <message>
        <source>Comments:</source>
        <translation>Kommentare:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>v_ip_about</name>
    <message>
        <source>About Vistrel</source>
        <translation>Über Vistrel</translation>
    </message>
    <message>
        <source>Vistrel v%1.%2.%3 for Linux and Windows</source>
        <translation>Vistrel v%1.%2.%3 für Linux und Windows</translation>
    </message>
    <message>
        <source>Copyright © Brenmark. Free software under the GNU General Public License, version 3 or later (GPL-3.0-or-later).</source>
        <translation>Copyright © Brenmark. Freie Software unter der GNU General Public License, Version 3 oder später (GPL-3.0-or-later).</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;https://www.brenmark.example/&quot;&gt;www.brenmark.example&lt;/a&gt;</source>
        <comment>hyperlinks</comment>
        <translation>&lt;a href=&quot;https://www.brenmark.example/de/&quot;&gt;www.brenmark.example&lt;/a&gt;</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>v_main</name>
    <message>
        <source>Vistrel</source>
        <translation>Vistrel</translation>
    </message>
    <message>
        <source>Scan</source>
        <comment>button</comment>
        <translation>Scannen</translation>
    </message>
    <message>
        <source>Results</source>
        <comment>tab</comment>
        <translation>Ergebnisse</translation>
    </message>
    <message>
        <source>Add to &quot;Favorites&quot;</source>
        <translation>Zu „Favoriten“ hinzufügen</translation>
    </message>
    <message>
        <source>Favorites</source>
        <translation>Favoriten</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>Speichern...</translation>
    </message>
    <message>
        <source>Load...</source>
        <translation>Laden...</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Edit...</source>
        <translation>Bearbeiten...</translation>
    </message>
    <message>
        <source>%p%, %0 alive, %1 dead, %2 unknown</source>
        <translation>%p%, %0 aktiv, %1 inaktiv, %2 unbekannt</translation>
    </message>
    <message>
        <source>Pause/Resume</source>
        <translation>Pause/Fortsetzen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Operations</source>
        <translation>&amp;Aktionen</translation>
    </message>
    <message>
        <source>&amp;Ortavo</source>
        <translation>&amp;Ortavo</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>&amp;Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Sprache</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Scan from &amp;file...</source>
        <translation>Aus &amp;Datei scannen...</translation>
    </message>
    <message>
        <source>&amp;Load...</source>
        <translation>&amp;Laden...</translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation>&amp;Speichern...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Wake-On-LAN</source>
        <translation>&amp;Wake-On-LAN</translation>
    </message>
    <message>
        <source>Shut &amp;down...</source>
        <translation>&amp;Herunterfahren...</translation>
    </message>
    <message>
        <source>&amp;Abort shut down</source>
        <translation>Herunterfahren &amp;abbrechen</translation>
    </message>
    <message>
        <source>&amp;Explore</source>
        <translation>&amp;Durchsuchen</translation>
    </message>
    <message>
        <source>&amp;HTTP</source>
        <translation>&amp;HTTP</translation>
    </message>
    <message>
        <source>&amp;FTP</source>
        <translation>&amp;FTP</translation>
    </message>
    <message>
        <source>HTTP&amp;S</source>
        <translation>HTTP&amp;S</translation>
    </message>
    <message>
        <source>&amp;Telnet</source>
        <translation>&amp;Telnet</translation>
    </message>
    <message>
        <source>&amp;Full Control</source>
        <translation>&amp;Vollzugriff</translation>
    </message>
    <message>
        <source>&amp;View Only</source>
        <comment>top menu</comment>
        <translation>Nur &amp;ansehen</translation>
    </message>
    <message>
        <source>File Tran&amp;sfer</source>
        <translation>&amp;Dateiübertragung</translation>
    </message>
    <message>
        <source>Shut&amp;down</source>
        <translation>&amp;Herunterfahren</translation>
    </message>
    <message>
        <source>Ch&amp;at</source>
        <translation>&amp;Chat</translation>
    </message>
    <message>
        <source>Voi&amp;ce Chat</source>
        <translation>&amp;Sprachchat</translation>
    </message>
    <message>
        <source>Send &amp;Message</source>
        <translation>&amp;Nachricht senden</translation>
    </message>
    <message>
        <source>&amp;Options...</source>
        <translation>&amp;Optionen...</translation>
    </message>
    <message>
        <source>E&amp;xpand all</source>
        <translation>Alle &amp;aufklappen</translation>
    </message>
    <message>
        <source>C&amp;ollapse all</source>
        <translation>Alle &amp;zuklappen</translation>
    </message>
    <message>
        <source>&amp;Clear list</source>
        <translation>Liste &amp;leeren</translation>
    </message>
    <message>
        <source>Show a&amp;live</source>
        <translation>&amp;Aktive anzeigen</translation>
    </message>
    <message>
        <source>Show &amp;dead</source>
        <translation>&amp;Inaktive anzeigen</translation>
    </message>
    <message>
        <source>Show &amp;unknown</source>
        <translation>&amp;Unbekannte anzeigen</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Inhalt</translation>
    </message>
    <message>
        <source>Report a &amp;bug</source>
        <translation>&amp;Fehler melden</translation>
    </message>
    <message>
        <source>Request a &amp;feature</source>
        <translation>&amp;Funktion vorschlagen</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>&amp;Über...</translation>
    </message>
    <message>
        <source>My IP</source>
        <translation>Meine IP</translation>
    </message>
    <message>
        <source>Subnet of this machine will be scanned</source>
        <translation>Das Subnetz dieses Rechners wird gescannt</translation>
    </message>
    <message>
        <source>Class &quot;C&quot; Network</source>
        <translation>Netz der Klasse „C“</translation>
    </message>
    <message>
        <source>Subnet of class &quot;C&quot; will be scanned</source>
        <translation>Das Subnetz der Klasse „C“ wird gescannt</translation>
    </message>
    <message>
        <source>Shutdown</source>
        <translation>Herunterfahren</translation>
    </message>
    <message>
        <source>Shut down computers ...</source>
        <translation>Computer herunterfahren...</translation>
    </message>
    <message>
        <source>Wake on LAN</source>
        <translation>Wake on LAN</translation>
    </message>
    <message>
        <source>Send &quot;Wake-On-Lan&quot; packets</source>
        <translation>„Wake-On-Lan“-Pakete senden</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Scan paused...</source>
        <translation>Scan angehalten...</translation>
    </message>
    <message>
        <source>Example: 192.168.0.1-192.168.0.100, 192.168.0.200</source>
        <translation>Beispiel: 192.168.0.1-192.168.0.100, 192.168.0.200</translation>
    </message>
    <message>
        <source>&quot;Favorites&quot; list will be scanned</source>
        <translation>Die Liste „Favoriten“ wird gescannt</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Vistrel ranges (*.txt);;Xml files (*.xml);;All files (*.*)</source>
        <translation>Vistrel-Bereiche (*.txt);;XML-Dateien (*.xml);;Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>https://www.brenmark.example/vistrel/help</source>
        <comment>hyperlinks</comment>
        <translation>https://www.brenmark.example/de/vistrel/help</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>XML (*.xml);;HTML (*.html);;CSV (*.csv)</source>
        <translation>XML (*.xml);;HTML (*.html);;CSV (*.csv)</translation>
    </message>
    <message>
        <source>Cannot open the file for writing</source>
        <translation>Die Datei kann nicht zum Schreiben geöffnet werden</translation>
    </message>
    <message>
        <source>No data to be saved</source>
        <translation>Keine Daten zum Speichern</translation>
    </message>
    <message>
        <source>Xml files (*.xml)</source>
        <translation>XML-Dateien (*.xml)</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Laden</translation>
    </message>
    <message>
        <source>Full Control</source>
        <translation>Vollzugriff</translation>
    </message>
    <message>
        <source>View Only</source>
        <translation>Nur ansehen</translation>
    </message>
    <message>
        <source>Telnet</source>
        <translation>Telnet</translation>
    </message>
    <message>
        <source>File Transfer</source>
        <translation>Dateiübertragung</translation>
    </message>
    <message>
        <source>Text Chat</source>
        <translation>Textchat</translation>
    </message>
    <message>
        <source>Voice Chat</source>
        <translation>Sprachchat</translation>
    </message>
    <message>
        <source>Send Message</source>
        <translation>Nachricht senden</translation>
    </message>
    <message>
        <source>Explore</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>Remove from &quot;Favorites&quot;</source>
        <translation>Aus „Favoriten“ entfernen</translation>
    </message>
    <message>
        <source>Rescan selected</source>
        <translation>Auswahl erneut scannen</translation>
    </message>
    <message>
        <source>Expand all</source>
        <translation>Alle aufklappen</translation>
    </message>
    <message>
        <source>Collapse all</source>
        <translation>Alle zuklappen</translation>
    </message>
    <message>
        <source>Clear list</source>
        <translation>Liste leeren</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alles</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Copy path</source>
        <translation>Pfad kopieren</translation>
    </message>
    <message>
        <source>Properties</source>
        <translation>Eigenschaften</translation>
    </message>
    <message>
        <source>Save selected...</source>
        <translation>Auswahl speichern...</translation>
    </message>
    <message>
        <source>Wake-On-LAN</source>
        <translation>Wake-On-LAN</translation>
    </message>
    <message>
        <source>Shut down...</source>
        <translation>Herunterfahren...</translation>
    </message>
    <message>
        <source>Abort shut down</source>
        <translation>Herunterfahren abbrechen</translation>
    </message>
    <message>
        <source>Ortavo</source>
        <translation>Ortavo</translation>
    </message>
    <message>
        <source>https://www.brenmark.example/</source>
        <comment>hyperlinks</comment>
        <translation>https://www.brenmark.example/de/</translation>
    </message>
    <message>
        <source>https://www.brenmark.example/vistrel/bugs</source>
        <comment>hyperlinks</comment>
        <translation>https://www.brenmark.example/de/vistrel/bugs</translation>
    </message>
    <message>
        <source>https://www.brenmark.example/vistrel/ideas</source>
        <comment>hyperlinks</comment>
        <translation>https://www.brenmark.example/de/vistrel/ideas</translation>
    </message>
    <message>
        <source>Edit &quot;Favorites&quot; item</source>
        <translation>„Favoriten“-Eintrag bearbeiten</translation>
    </message>
    <message>
        <source>Finished in %3 s: %0 alive, %1 dead, %2 unknown</source>
        <translation>Fertig in %3 s: %0 aktiv, %1 inaktiv, %2 unbekannt</translation>
    </message>
    <message>
        <source>Stopped at %3%: %0 alive, %1 dead, %2 unknown</source>
        <translation>Angehalten bei %3%: %0 aktiv, %1 inaktiv, %2 unbekannt</translation>
    </message>
    <message>
        <source>Added to &quot;Favorites&quot;: %1</source>
        <translation>Zu „Favoriten“ hinzugefügt: %1</translation>
    </message>
    <message>
        <source>%1 and %2 more</source>
        <translation>%1 und %2 weitere</translation>
    </message>
    <message>
        <source>Wake-on-LAN sent to %1</source>
        <translation>Wake-on-LAN gesendet an %1</translation>
    </message>
    <message>
        <source>No MAC address known, nothing sent: %1</source>
        <translation>Keine MAC-Adresse bekannt, nichts gesendet: %1</translation>
    </message>
    <message>
        <source>No program to open %1 was found. It is opened with xdg-open (package xdg-utils) and the program the desktop names for this kind of address: install them.</source>
        <translation>Kein Programm zum Öffnen von %1 gefunden. Geöffnet wird mit xdg-open (Paket xdg-utils) und dem Programm, das die Arbeitsumgebung für diese Art von Adresse nennt: bitte installieren.</translation>
    </message>
    <message>
        <source>&amp;Scan</source>
        <translation>&amp;Scannen</translation>
    </message>
    <message>
        <source>S&amp;top scan</source>
        <translation>Scan an&amp;halten</translation>
    </message>
    <message>
        <source>Search: address, name, MAC, vendor, NetBIOS name, user, page title</source>
        <translation>Suche: Adresse, Name, MAC, Hersteller, NetBIOS-Name, Benutzer, Seitentitel</translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>&amp;Suchen</translation>
    </message>
    <message>
        <source>Scan %1 addresses? At %2 requests per second this takes about %3, longer when many hosts answer.</source>
        <translation>%1 Adressen scannen? Bei %2 Anfragen pro Sekunde dauert das etwa %3, länger, wenn viele Hosts antworten.</translation>
    </message>
    <message>
        <source>Large scan</source>
        <translation>Großer Scan</translation>
    </message>
    <message>
        <source>%1 elapsed</source>
        <translation>%1 vergangen</translation>
    </message>
    <message>
        <source>%1 hosts/s</source>
        <translation>%1 Hosts/s</translation>
    </message>
    <message>
        <source>about %1 left</source>
        <translation>noch etwa %1</translation>
    </message>
</context>
<context>
    <name>v_options</name>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>High-accuracy scanning (lower speed)</source>
        <translation>Genaues Scannen (langsamer)</translation>
    </message>
    <message>
        <source>Scanning speed</source>
        <translation>Scan-Geschwindigkeit</translation>
    </message>
    <message>
        <source>Slow scanning,
low CPU usage</source>
        <translation>Langsames Scannen,
geringe CPU-Last</translation>
    </message>
    <message>
        <source>Fast scanning,
high CPU usage</source>
        <translation>Schnelles Scannen,
hohe CPU-Last</translation>
    </message>
    <message>
        <source>Scan resources:</source>
        <translation>Ressourcen scannen:</translation>
    </message>
    <message>
        <source>Scan shared folders</source>
        <translation>Freigegebene Ordner scannen</translation>
    </message>
    <message>
        <source>Scan HTTP</source>
        <translation>HTTP scannen</translation>
    </message>
    <message>
        <source>Scan HTTPS</source>
        <translation>HTTPS scannen</translation>
    </message>
    <message>
        <source>Scan FTP</source>
        <translation>FTP scannen</translation>
    </message>
    <message>
        <source>Scan NETBIOS name and group</source>
        <translation>NetBIOS-Name und -Gruppe scannen</translation>
    </message>
    <message>
        <source>Scan active user name</source>
        <translation>Angemeldeten Benutzer ermitteln</translation>
    </message>
    <message>
        <source>Scan Ortavo availability:</source>
        <translation>Ortavo-Verfügbarkeit prüfen:</translation>
    </message>
    <message>
        <source>Port 1</source>
        <translation>Port 1</translation>
    </message>
    <message>
        <source>Port 2</source>
        <translation>Port 2</translation>
    </message>
    <message>
        <source>Port 3</source>
        <translation>Port 3</translation>
    </message>
    <message>
        <source>Port 4</source>
        <translation>Port 4</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Leistung</translation>
    </message>
    <message>
        <source>Resources</source>
        <translation>Ressourcen</translation>
    </message>
    <message>
        <source>Incorrect data</source>
        <translation>Ungültige Daten</translation>
    </message>
    <message>
        <source>Incorrect Ortavo port. It should be 1...65535</source>
        <translation>Ungültiger Ortavo-Port. Zulässig ist 1...65535</translation>
    </message>
    <message>
        <source>Network account</source>
        <translation>Netzwerkkonto</translation>
    </message>
    <message>
        <source>Record every finished scan in the inventory</source>
        <translation>Jeden beendeten Scan im Inventar aufzeichnen</translation>
    </message>
    <message>
        <source>PostgreSQL store (empty for this computer&apos;s own store):</source>
        <translation>PostgreSQL-Speicher (leer für den eigenen Speicher dieses Computers):</translation>
    </message>
    <message>
        <source>Inventory</source>
        <translation>Inventar</translation>
    </message>
    <message>
        <source>The store must be a URL like postgresql://user@host:port/database, without a password.
%1</source>
        <translation>Der Speicher muss eine URL wie postgresql://user@host:port/database sein, ohne Passwort.
%1</translation>
    </message>
    <message>
        <source>Liveness sweep pace (requests per second):</source>
        <translation>Tempo der Erreichbarkeitsprüfung (Anfragen pro Sekunde):</translation>
    </message>
    <message>
        <source>How fast every address is asked whether it is there before the hosts are probed. Lower it on a slow or busy link. At 4000 a short burst goes first.</source>
        <translation>Wie schnell jede Adresse gefragt wird, ob sie erreichbar ist, bevor die Hosts geprüft werden. Bei einer langsamen oder ausgelasteten Verbindung verringern. Bei 4000 geht ein kurzer Schub voraus.</translation>
    </message>
    <message>
        <source>Web servers on other ports (comma separated, an s after a port for HTTPS):</source>
        <translation>Webserver an anderen Ports (durch Kommas getrennt, ein s nach einem Port für HTTPS):</translation>
    </message>
    <message>
        <source>e.g. 8080, 8443s</source>
        <translation>z. B. 8080, 8443s</translation>
    </message>
    <message>
        <source>Incorrect web server ports. Give up to 16 ports of 1...65535, separated by commas, each followed by s if it is HTTPS: 8080, 8443s</source>
        <translation>Ungültige Webserver-Ports. Geben Sie bis zu 16 Ports von 1...65535 an, durch Kommas getrennt, jeweils mit einem s dahinter, wenn es HTTPS ist: 8080, 8443s</translation>
    </message>
</context>
</TS>
