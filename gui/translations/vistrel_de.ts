<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
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
</context>
<context>
    <name>v_ip_about</name>
    <message>
        <source>About Vistrel</source>
        <translation>Über Vistrel</translation>
    </message>
    <message>
        <source>Vistrel v%1.%2.%3 for Windows 7/2008 R2/Vista/2008/XP/2003</source>
        <translation>Vistrel v%1.%2.%3 für Windows 7/2008 R2/Vista/2008/XP/2003</translation>
    </message>
    <message>
        <source>Copyright © Brenmark. All rights reserved.</source>
        <translation>Copyright © Brenmark. Alle Rechte vorbehalten.</translation>
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
</context>
</TS>
