<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>CDesktopNotifier</name>
    <message>
        <source>New device: %1</source>
        <translation>Новое устройство: %1</translation>
    </message>
    <message>
        <source>New device: %1 (%2)</source>
        <translation>Новое устройство: %1 (%2)</translation>
    </message>
    <message>
        <source>%1 answers with another MAC: %2 (was %3)</source>
        <translation>%1 отвечает с другим MAC: %2 (был %3)</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>и ещё %1</translation>
    </message>
    <message>
        <source>Changes on the network</source>
        <translation>Изменения в сети</translation>
    </message>
    <message>
        <source>The scan was not recorded</source>
        <translation>Сканирование не записано</translation>
    </message>
</context>
<context>
    <name>CDeviceHistory</name>
    <message>
        <source>History...</source>
        <translation>История...</translation>
    </message>
    <message>
        <source>Forget this device</source>
        <translation>Забыть это устройство</translation>
    </message>
    <message>
        <source>This device is not in the inventory.</source>
        <translation>Этого устройства нет в инвентаре.</translation>
    </message>
    <message>
        <source>answering</source>
        <translation>отвечает</translation>
    </message>
    <message>
        <source>missed by the last scan</source>
        <translation>не найдено последним сканированием</translation>
    </message>
    <message>
        <source>gone</source>
        <translation>пропало</translation>
    </message>
    <message>
        <source>its address answers with another MAC</source>
        <translation>его адрес отвечает с другим MAC</translation>
    </message>
    <message>
        <source>new</source>
        <translation>новое</translation>
    </message>
    <message>
        <source>back</source>
        <translation>вернулось</translation>
    </message>
    <message>
        <source>address changed</source>
        <translation>адрес изменён</translation>
    </message>
    <message>
        <source>MAC changed</source>
        <translation>MAC изменён</translation>
    </message>
    <message>
        <source>name changed</source>
        <translation>имя изменено</translation>
    </message>
    <message>
        <source>services changed</source>
        <translation>службы изменены</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Адрес</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Имя</translation>
    </message>
    <message>
        <source>Vendor</source>
        <translation>Производитель</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Состояние</translation>
    </message>
    <message>
        <source>First seen</source>
        <translation>Впервые замечено</translation>
    </message>
    <message>
        <source>Last seen</source>
        <translation>Последний раз замечено</translation>
    </message>
    <message>
        <source>Addresses</source>
        <translation>Адреса</translation>
    </message>
    <message>
        <source>Names</source>
        <translation>Имена</translation>
    </message>
    <message>
        <source>Events</source>
        <translation>События</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Время</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Изменение</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>Было</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Стало</translation>
    </message>
    <message>
        <source>History of %1</source>
        <translation>История %1</translation>
    </message>
    <message>
        <source>Remove %1 and all its history from the inventory?</source>
        <translation>Удалить %1 и всю его историю из инвентаря?</translation>
    </message>
</context>
<context>
    <name>COrtavoViewer</name>
    <message>
        <source>Program run error</source>
        <translation>Ошибка запуска программы</translation>
    </message>
    <message>
        <source>Ortavo Viewer is not installed on this computer. &lt;br&gt;You can download it for free at </source>
        <translation>Ortavo Viewer не установлен на этом компьютере. &lt;br&gt;Его можно бесплатно загрузить на </translation>
    </message>
</context>
<context>
    <name>CScanInventory</name>
    <message>
        <source>changed</source>
        <translation>изменено</translation>
    </message>
</context>
<context>
    <name>CTelnetLauncher</name>
    <message>
        <source>Telnet run</source>
        <translation>Запуск Telnet</translation>
    </message>
    <message>
        <source>Failed to find telnet.exe. Check if Telnet is installed</source>
        <translation>Не удалось найти telnet.exe. Проверьте, установлен ли Telnet</translation>
    </message>
    <message>
        <source>Could not establish connection to the remote host</source>
        <translation>Не удалось установить соединение с удалённым компьютером</translation>
    </message>
</context>
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
    <message>
        <source>Error occured</source>
        <translation>Произошла ошибка</translation>
    </message>
    <message>
        <source>Invalid file format</source>
        <translation>Неверный формат файла</translation>
    </message>
    <message>
        <source>Cannot open the file</source>
        <translation>Не удаётся открыть файл</translation>
    </message>
</context>
<context>
    <name>VNetAccountPage</name>
    <message>
        <source>User name:</source>
        <translation>Имя пользователя:</translation>
    </message>
    <message>
        <source>Domain or workgroup:</source>
        <translation>Домен или рабочая группа:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Пароль:</translation>
    </message>
    <message>
        <source>Test on host (address):</source>
        <translation>Проверить на узле (адрес):</translation>
    </message>
    <message>
        <source>Test this account</source>
        <translation>Проверить учётную запись</translation>
    </message>
    <message>
        <source>Enter the host&apos;s address, four decimal numbers.</source>
        <translation>Введите адрес узла: четыре десятичных числа.</translation>
    </message>
    <message>
        <source>Enter a user name; &apos;%&apos; and control characters cannot be used.</source>
        <translation>Введите имя пользователя; символ «%» и управляющие символы недопустимы.</translation>
    </message>
    <message>
        <source>Testing on %1...</source>
        <translation>Проверка на %1...</translation>
    </message>
    <message>
        <source>%1 accepted the account.</source>
        <translation>%1 принял учётную запись.</translation>
    </message>
    <message>
        <source>%1 refused the account: wrong user name or password.</source>
        <translation>%1 отклонил учётную запись: неверное имя пользователя или пароль.</translation>
    </message>
    <message>
        <source>%1 refused the account: access denied.</source>
        <translation>%1 отклонил учётную запись: доступ запрещён.</translation>
    </message>
    <message>
        <source>%1 could not be reached.</source>
        <translation>%1 недоступен.</translation>
    </message>
    <message>
        <source>The test on %1 failed (error %2).</source>
        <translation>Проверка на %1 не удалась (ошибка %2).</translation>
    </message>
</context>
<context>
    <name>VRemoteShutdown</name>
    <message>
        <source>Shutdown options</source>
        <translation>Параметры выключения</translation>
    </message>
    <message>
        <source>Use Windows authentification</source>
        <translation>Использовать учётную запись Windows</translation>
    </message>
    <message>
        <source>User name:</source>
        <translation>Имя пользователя:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Пароль:</translation>
    </message>
    <message>
        <source>Timeout (sec):</source>
        <translation>Задержка (сек):</translation>
    </message>
    <message>
        <source>Message:</source>
        <translation>Сообщение:</translation>
    </message>
    <message>
        <source>Forced shutdown</source>
        <translation>Принудительное выключение</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>Перезагрузка</translation>
    </message>
    <message>
        <source>Shutdown</source>
        <translation>Выключить</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Incorrect data</source>
        <translation>Неверные данные</translation>
    </message>
    <message>
        <source>Invalid timeout. Should be 0...%1</source>
        <translation>Неверная задержка. Допустимо от 0 до %1</translation>
    </message>
</context>
<context>
    <name>VResultsBackend</name>
    <message>
        <source>Alive</source>
        <translation>Вкл.</translation>
    </message>
    <message>
        <source>Dead</source>
        <translation>Выкл.</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Неизвестно</translation>
    </message>
    <message>
        <source>Ortavo: %1</source>
        <extracomment>A child row of a host: one open Ortavo port, %1 is its number.</extracomment>
        <translation>Ortavo, порт %1</translation>
    </message>
    <message>
        <source>Alive: an address of this computer</source>
        <extracomment>Tooltip of an alive host&apos;s status: why it counts as alive.</extracomment>
        <translation>Включён: адрес этого компьютера</translation>
    </message>
    <message>
        <source>Alive: answered ARP</source>
        <extracomment>Tooltip of an alive host&apos;s status: it answered an ARP request.</extracomment>
        <translation>Включён: ответил на ARP</translation>
    </message>
    <message>
        <source>Alive: answered ICMP echo (ping)</source>
        <extracomment>Tooltip of an alive host&apos;s status: it answered a ping.</extracomment>
        <translation>Включён: ответил на ICMP-эхо (ping)</translation>
    </message>
    <message>
        <source>%1 (port %2)</source>
        <extracomment>A child row of a host: a web page on another port; %1 its title, %2 the port.</extracomment>
        <translation>%1 (порт %2)</translation>
    </message>
    <message>
        <source>HTTP, port %1</source>
        <extracomment>A child row of a host: a web server without a page title on port %1.</extracomment>
        <translation>HTTP, порт %1</translation>
    </message>
    <message>
        <source>HTTPS, port %1</source>
        <extracomment>As &quot;HTTP, port %1&quot;, over TLS.</extracomment>
        <translation>HTTPS, порт %1</translation>
    </message>
</context>
<context>
    <name>VShutdowns</name>
    <message>
        <source>Shutdown results</source>
        <translation>Результаты выключения</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Processing...</source>
        <translation>Выполняется...</translation>
    </message>
    <message>
        <source>Succeeded</source>
        <translation>Успешно</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Ошибка</translation>
    </message>
</context>
<context>
    <name>columns</name>
    <message>
        <source>Status</source>
        <translation>Состояние</translation>
    </message>
    <message>
        <source>NetBIOS name</source>
        <translation>Имя NetBIOS</translation>
    </message>
    <message>
        <source>NetBIOS group</source>
        <translation>Группа NetBIOS</translation>
    </message>
    <message>
        <source>Comments</source>
        <translation>Комментарии</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Имя</translation>
    </message>
    <message>
        <source>IP</source>
        <translation>IP-адрес</translation>
    </message>
    <message>
        <source>MAC address</source>
        <translation>MAC-адрес</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Пользователь</translation>
    </message>
    <message>
        <source>First seen</source>
        <translation>Впервые замечено</translation>
    </message>
    <message>
        <source>Last seen</source>
        <translation>Последний раз замечено</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Изменение</translation>
    </message>
    <message>
        <source>Vendor</source>
        <translation>Производитель</translation>
    </message>
</context>
<context>
    <name>v_OrtavoConnectOptionsClass</name>
    <message>
        <source>Ortavo connection options</source>
        <translation>Параметры подключения Ortavo</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Порт:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
</context>
<context>
    <name>v_host_properties</name>
    <message>
        <source>Add</source>
        <translation>Добавить</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Применить</translation>
    </message>
    <message>
        <source>Add to &quot;Favorites&quot;</source>
        <translation>Добавить в «Избранное»</translation>
    </message>
    <message>
        <source>Incorrect IP address</source>
        <translation>Неверный IP-адрес</translation>
    </message>
    <message>
        <source>Incorrect MAC address</source>
        <translation>Неверный MAC-адрес</translation>
    </message>
    <message>
        <source>Item with this IP already exists</source>
        <translation>Элемент с таким IP уже существует</translation>
    </message>
</context>
<context>
    <name>v_host_propertiesClass</name>
    <message>
        <source>v_host_properties</source>
        <translation>Свойства узла</translation>
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
        <translation>Комментарии:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
</context>
<context>
    <name>v_ip_about</name>
    <message>
        <source>About Vistrel</source>
        <translation>О программе Vistrel</translation>
    </message>
    <message>
        <source>Vistrel v%1.%2.%3 for Linux and Windows</source>
        <translation>Vistrel v%1.%2.%3 для Linux и Windows</translation>
    </message>
    <message>
        <source>Copyright © Brenmark. Free software under the GNU General Public License, version 3 or later (GPL-3.0-or-later).</source>
        <translation>Copyright © Brenmark. Свободная программа под лицензией GNU General Public License версии 3 или более поздней (GPL-3.0-or-later).</translation>
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
    <name>v_main</name>
    <message>
        <source>Vistrel</source>
        <translation>Vistrel</translation>
    </message>
    <message>
        <source>Scan</source>
        <comment>button</comment>
        <translation>Сканировать</translation>
    </message>
    <message>
        <source>Results</source>
        <comment>tab</comment>
        <translation>Результаты</translation>
    </message>
    <message>
        <source>Add to &quot;Favorites&quot;</source>
        <translation>Добавить в «Избранное»</translation>
    </message>
    <message>
        <source>Favorites</source>
        <translation>Избранное</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>Сохранить...</translation>
    </message>
    <message>
        <source>Load...</source>
        <translation>Загрузить...</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Добавить</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Edit...</source>
        <translation>Изменить...</translation>
    </message>
    <message>
        <source>%p%, %0 alive, %1 dead, %2 unknown</source>
        <translation>%p%, включено: %0, выключено: %1, неизвестно: %2</translation>
    </message>
    <message>
        <source>Pause/Resume</source>
        <translation>Пауза/Продолжить</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>&amp;Operations</source>
        <translation>&amp;Действия</translation>
    </message>
    <message>
        <source>&amp;Ortavo</source>
        <translation>&amp;Ortavo</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>&amp;Настройки</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Язык</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Вид</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Справка</translation>
    </message>
    <message>
        <source>Scan from &amp;file...</source>
        <translation>Сканировать из &amp;файла...</translation>
    </message>
    <message>
        <source>&amp;Load...</source>
        <translation>&amp;Загрузить...</translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation>&amp;Сохранить...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>В&amp;ыход</translation>
    </message>
    <message>
        <source>&amp;Wake-On-LAN</source>
        <translation>&amp;Wake-On-LAN</translation>
    </message>
    <message>
        <source>Shut &amp;down...</source>
        <translation>&amp;Выключить...</translation>
    </message>
    <message>
        <source>&amp;Abort shut down</source>
        <translation>&amp;Отменить выключение</translation>
    </message>
    <message>
        <source>&amp;Explore</source>
        <translation>&amp;Открыть</translation>
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
        <translation>&amp;Полный доступ</translation>
    </message>
    <message>
        <source>&amp;View Only</source>
        <comment>top menu</comment>
        <translation>Только &amp;просмотр</translation>
    </message>
    <message>
        <source>File Tran&amp;sfer</source>
        <translation>Передача &amp;файлов</translation>
    </message>
    <message>
        <source>Shut&amp;down</source>
        <translation>&amp;Выключение</translation>
    </message>
    <message>
        <source>Ch&amp;at</source>
        <translation>&amp;Чат</translation>
    </message>
    <message>
        <source>Voi&amp;ce Chat</source>
        <translation>&amp;Голосовой чат</translation>
    </message>
    <message>
        <source>Send &amp;Message</source>
        <translation>Отправить &amp;сообщение</translation>
    </message>
    <message>
        <source>&amp;Options...</source>
        <translation>&amp;Параметры...</translation>
    </message>
    <message>
        <source>E&amp;xpand all</source>
        <translation>&amp;Развернуть все</translation>
    </message>
    <message>
        <source>C&amp;ollapse all</source>
        <translation>&amp;Свернуть все</translation>
    </message>
    <message>
        <source>&amp;Clear list</source>
        <translation>&amp;Очистить список</translation>
    </message>
    <message>
        <source>Show a&amp;live</source>
        <translation>Показывать &amp;включённые</translation>
    </message>
    <message>
        <source>Show &amp;dead</source>
        <translation>Показывать в&amp;ыключенные</translation>
    </message>
    <message>
        <source>Show &amp;unknown</source>
        <translation>Показывать &amp;неизвестные</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Содержание</translation>
    </message>
    <message>
        <source>Report a &amp;bug</source>
        <translation>Сообщить об &amp;ошибке</translation>
    </message>
    <message>
        <source>Request a &amp;feature</source>
        <translation>Предложить &amp;улучшение</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>&amp;О программе...</translation>
    </message>
    <message>
        <source>My IP</source>
        <translation>Мой IP</translation>
    </message>
    <message>
        <source>Subnet of this machine will be scanned</source>
        <translation>Будет просканирована подсеть этого компьютера</translation>
    </message>
    <message>
        <source>Class &quot;C&quot; Network</source>
        <translation>Сеть класса «C»</translation>
    </message>
    <message>
        <source>Subnet of class &quot;C&quot; will be scanned</source>
        <translation>Будет просканирована подсеть класса «C»</translation>
    </message>
    <message>
        <source>Shutdown</source>
        <translation>Выключение</translation>
    </message>
    <message>
        <source>Shut down computers ...</source>
        <translation>Выключить компьютеры...</translation>
    </message>
    <message>
        <source>Wake on LAN</source>
        <translation>Wake on LAN</translation>
    </message>
    <message>
        <source>Send &quot;Wake-On-Lan&quot; packets</source>
        <translation>Отправить пакеты «Wake-On-Lan»</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Стоп</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Продолжить</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Пауза</translation>
    </message>
    <message>
        <source>Scan paused...</source>
        <translation>Сканирование приостановлено...</translation>
    </message>
    <message>
        <source>Example: 192.168.0.1-192.168.0.100, 192.168.0.200</source>
        <translation>Пример: 192.168.0.1-192.168.0.100, 192.168.0.200</translation>
    </message>
    <message>
        <source>&quot;Favorites&quot; list will be scanned</source>
        <translation>Будет просканирован список «Избранное»</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <source>Vistrel ranges (*.txt);;Xml files (*.xml);;All files (*.*)</source>
        <translation>Диапазоны Vistrel (*.txt);;Файлы XML (*.xml);;Все файлы (*.*)</translation>
    </message>
    <message>
        <source>https://www.brenmark.example/vistrel/help</source>
        <comment>hyperlinks</comment>
        <translation>https://www.brenmark.example/ru/vistrel/help</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Сохранение</translation>
    </message>
    <message>
        <source>XML (*.xml);;HTML (*.html);;CSV (*.csv)</source>
        <translation>XML (*.xml);;HTML (*.html);;CSV (*.csv)</translation>
    </message>
    <message>
        <source>Cannot open the file for writing</source>
        <translation>Не удаётся открыть файл для записи</translation>
    </message>
    <message>
        <source>No data to be saved</source>
        <translation>Нет данных для сохранения</translation>
    </message>
    <message>
        <source>Xml files (*.xml)</source>
        <translation>Файлы XML (*.xml)</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Загрузка</translation>
    </message>
    <message>
        <source>Full Control</source>
        <translation>Полный доступ</translation>
    </message>
    <message>
        <source>View Only</source>
        <translation>Только просмотр</translation>
    </message>
    <message>
        <source>Telnet</source>
        <translation>Telnet</translation>
    </message>
    <message>
        <source>File Transfer</source>
        <translation>Передача файлов</translation>
    </message>
    <message>
        <source>Text Chat</source>
        <translation>Текстовый чат</translation>
    </message>
    <message>
        <source>Voice Chat</source>
        <translation>Голосовой чат</translation>
    </message>
    <message>
        <source>Send Message</source>
        <translation>Отправить сообщение</translation>
    </message>
    <message>
        <source>Explore</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <source>Remove from &quot;Favorites&quot;</source>
        <translation>Удалить из «Избранного»</translation>
    </message>
    <message>
        <source>Rescan selected</source>
        <translation>Пересканировать выбранные</translation>
    </message>
    <message>
        <source>Expand all</source>
        <translation>Развернуть все</translation>
    </message>
    <message>
        <source>Collapse all</source>
        <translation>Свернуть все</translation>
    </message>
    <message>
        <source>Clear list</source>
        <translation>Очистить список</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Копировать</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Всё</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Подключиться</translation>
    </message>
    <message>
        <source>Copy path</source>
        <translation>Копировать путь</translation>
    </message>
    <message>
        <source>Properties</source>
        <translation>Свойства</translation>
    </message>
    <message>
        <source>Save selected...</source>
        <translation>Сохранить выбранные...</translation>
    </message>
    <message>
        <source>Wake-On-LAN</source>
        <translation>Wake-On-LAN</translation>
    </message>
    <message>
        <source>Shut down...</source>
        <translation>Выключить...</translation>
    </message>
    <message>
        <source>Abort shut down</source>
        <translation>Отменить выключение</translation>
    </message>
    <message>
        <source>Ortavo</source>
        <translation>Ortavo</translation>
    </message>
    <message>
        <source>https://www.brenmark.example/</source>
        <comment>hyperlinks</comment>
        <translation>https://www.brenmark.example/ru/</translation>
    </message>
    <message>
        <source>https://www.brenmark.example/vistrel/bugs</source>
        <comment>hyperlinks</comment>
        <translation>https://www.brenmark.example/ru/vistrel/bugs</translation>
    </message>
    <message>
        <source>https://www.brenmark.example/vistrel/ideas</source>
        <comment>hyperlinks</comment>
        <translation>https://www.brenmark.example/ru/vistrel/ideas</translation>
    </message>
    <message>
        <source>Edit &quot;Favorites&quot; item</source>
        <translation>Изменить элемент «Избранного»</translation>
    </message>
    <message>
        <source>Finished in %3 s: %0 alive, %1 dead, %2 unknown</source>
        <translation>Завершено за %3 с; включено: %0, выключено: %1, неизвестно: %2</translation>
    </message>
    <message>
        <source>Stopped at %3%: %0 alive, %1 dead, %2 unknown</source>
        <translation>Остановлено на %3%; включено: %0, выключено: %1, неизвестно: %2</translation>
    </message>
    <message>
        <source>Added to &quot;Favorites&quot;: %1</source>
        <translation>Добавлено в «Избранное»: %1</translation>
    </message>
    <message>
        <source>%1 and %2 more</source>
        <translation>%1 и ещё %2</translation>
    </message>
    <message>
        <source>Wake-on-LAN sent to %1</source>
        <translation>Wake-on-LAN отправлен: %1</translation>
    </message>
    <message>
        <source>No MAC address known, nothing sent: %1</source>
        <translation>MAC-адрес неизвестен, ничего не отправлено: %1</translation>
    </message>
    <message>
        <source>No program to open %1 was found. It is opened with xdg-open (package xdg-utils) and the program the desktop names for this kind of address: install them.</source>
        <translation>Не найдена программа, чтобы открыть %1. Адрес открывается через xdg-open (пакет xdg-utils) и программу, которую рабочий стол назначил для такого адреса: установите их.</translation>
    </message>
    <message>
        <source>&amp;Scan</source>
        <translation>&amp;Сканировать</translation>
    </message>
    <message>
        <source>S&amp;top scan</source>
        <translation>&amp;Остановить сканирование</translation>
    </message>
    <message>
        <source>Search: address, name, MAC, vendor, NetBIOS name, user, page title</source>
        <translation>Поиск: адрес, имя, MAC, производитель, имя NetBIOS, пользователь, заголовок страницы</translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>&amp;Поиск</translation>
    </message>
    <message>
        <source>Scan %1 addresses? At %2 requests per second this takes about %3, longer when many hosts answer.</source>
        <translation>Сканировать адресов: %1? При %2 запросах в секунду это займёт около %3, дольше, если ответит много узлов.</translation>
    </message>
    <message>
        <source>Large scan</source>
        <translation>Большое сканирование</translation>
    </message>
    <message>
        <source>%1 elapsed</source>
        <translation>прошло %1</translation>
    </message>
    <message>
        <source>%1 hosts/s</source>
        <translation>%1 узлов/с</translation>
    </message>
    <message>
        <source>about %1 left</source>
        <translation>осталось около %1</translation>
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
    <message>
        <source>Network account</source>
        <translation>Сетевая учётная запись</translation>
    </message>
    <message>
        <source>Record every finished scan in the inventory</source>
        <translation>Записывать каждое завершённое сканирование в инвентарь</translation>
    </message>
    <message>
        <source>PostgreSQL store (empty for this computer&apos;s own store):</source>
        <translation>Хранилище PostgreSQL (пусто — собственное хранилище этого компьютера):</translation>
    </message>
    <message>
        <source>Inventory</source>
        <translation>Инвентарь</translation>
    </message>
    <message>
        <source>The store must be a URL like postgresql://user@host:port/database, without a password.
%1</source>
        <translation>Хранилище должно быть URL вида postgresql://user@host:port/database, без пароля.
%1</translation>
    </message>
    <message>
        <source>Liveness sweep pace (requests per second):</source>
        <translation>Темп проверки доступности (запросов в секунду):</translation>
    </message>
    <message>
        <source>How fast every address is asked whether it is there before the hosts are probed. Lower it on a slow or busy link. At 4000 a short burst goes first.</source>
        <translation>Как быстро каждый адрес опрашивается на доступность перед проверкой узлов. Уменьшите для медленного или загруженного канала. При 4000 сначала идёт короткий всплеск.</translation>
    </message>
    <message>
        <source>Web servers on other ports (comma separated, an s after a port for HTTPS):</source>
        <translation>Веб-серверы на других портах (через запятую, s после порта для HTTPS):</translation>
    </message>
    <message>
        <source>e.g. 8080, 8443s</source>
        <translation>например, 8080, 8443s</translation>
    </message>
    <message>
        <source>Incorrect web server ports. Give up to 16 ports of 1...65535, separated by commas, each followed by s if it is HTTPS: 8080, 8443s</source>
        <translation>Неверные порты веб-серверов. Укажите до 16 портов 1...65535 через запятую, после порта HTTPS — буква s: 8080, 8443s</translation>
    </message>
</context>
</TS>
