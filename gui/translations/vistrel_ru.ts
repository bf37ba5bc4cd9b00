<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>Load from file</name>
    <message>
        <source>Reading from file:</source>
        <translation>Чтение из файла:</translation>
    </message>
    <message>
        <source>Empty file</source>
        <translation>Пустой файл</translation>
    </message>
    <message>
        <source>Text &quot;%2&quot; at line %1 is not an ip range</source>
        <translation>Текст «%2» в строке %1 не является диапазоном IP-адресов</translation>
    </message>
    <message>
        <source>Unable to read data from file</source>
        <translation>Не удалось прочитать данные из файла</translation>
    </message>
    <message>
        <source>No IP addresses found</source>
        <translation>IP-адреса не найдены</translation>
    </message>
</context>
<context>
    <name>v_ip_about</name>
    <message>
        <source>About Vistrel</source>
        <translation>О программе Vistrel</translation>
    </message>
    <message>
        <source>Vistrel v%1.%2.%3 for Windows 7/2008 R2/Vista/2008/XP/2003</source>
        <translation>Vistrel v%1.%2.%3 для Windows 7/2008 R2/Vista/2008/XP/2003</translation>
    </message>
    <message>
        <source>Copyright © Brenmark. All rights reserved.</source>
        <translation>© Brenmark. Все права защищены.</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;https://www.brenmark.example/&quot;&gt;www.brenmark.example&lt;/a&gt;</source>
        <comment>hyperlinks</comment>
        <translation>&lt;a href=&quot;https://www.brenmark.example/ru/&quot;&gt;www.brenmark.example&lt;/a&gt;</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
</context>
<context>
    <name>v_options</name>
    <message>
        <source>Options</source>
        <translation>Параметры</translation>
    </message>
    <message>
        <source>High-accuracy scanning (lower speed)</source>
        <translation>Точное сканирование (медленнее)</translation>
    </message>
    <message>
        <source>Scanning speed</source>
        <translation>Скорость сканирования</translation>
    </message>
    <message>
        <source>Slow scanning,
low CPU usage</source>
        <translation>Медленное сканирование,
низкая загрузка ЦП</translation>
    </message>
    <message>
        <source>Fast scanning,
high CPU usage</source>
        <translation>Быстрое сканирование,
высокая загрузка ЦП</translation>
    </message>
    <message>
        <source>Scan resources:</source>
        <translation>Сканировать ресурсы:</translation>
    </message>
    <message>
        <source>Scan shared folders</source>
        <translation>Сканировать общие папки</translation>
    </message>
    <message>
        <source>Scan HTTP</source>
        <translation>Сканировать HTTP</translation>
    </message>
    <message>
        <source>Scan HTTPS</source>
        <translation>Сканировать HTTPS</translation>
    </message>
    <message>
        <source>Scan FTP</source>
        <translation>Сканировать FTP</translation>
    </message>
    <message>
        <source>Scan NETBIOS name and group</source>
        <translation>Сканировать имя и группу NetBIOS</translation>
    </message>
    <message>
        <source>Scan active user name</source>
        <translation>Определять имя активного пользователя</translation>
    </message>
    <message>
        <source>Scan Ortavo availability:</source>
        <translation>Проверять доступность Ortavo:</translation>
    </message>
    <message>
        <source>Port 1</source>
        <translation>Порт 1</translation>
    </message>
    <message>
        <source>Port 2</source>
        <translation>Порт 2</translation>
    </message>
    <message>
        <source>Port 3</source>
        <translation>Порт 3</translation>
    </message>
    <message>
        <source>Port 4</source>
        <translation>Порт 4</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Применить</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Производительность</translation>
    </message>
    <message>
        <source>Resources</source>
        <translation>Ресурсы</translation>
    </message>
    <message>
        <source>Incorrect data</source>
        <translation>Неверные данные</translation>
    </message>
    <message>
        <source>Incorrect Ortavo port. It should be 1...65535</source>
        <translation>Неверный порт Ortavo. Допустимы значения 1...65535</translation>
    </message>
</context>
</TS>
