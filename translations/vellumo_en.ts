<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>vellumo</name>
    <message>
        <source>Неизвестный формат файла «%1»: программа сохраняет этикетки в %2.</source>
        <translation>Unknown file format “%1”: labels are saved as %2.</translation>
    </message>
    <message>
        <source>Файл «%1» не записан: %2.</source>
        <translation>File “%1” was not written: %2.</translation>
    </message>
    <message>
        <source>изображение %1 × %2 точек слишком велико, уменьшите разрешение</source>
        <translation>an image of %1 × %2 dots is too large, lower the resolution</translation>
    </message>
    <message>
        <source>не удалось создать файл в этой папке</source>
        <translation>no file could be created in this folder</translation>
    </message>
    <message>
        <source>нет прав на запись</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>ошибка записи (возможно, нет места на диске)</source>
        <translation>write error (the disk may be full)</translation>
    </message>
    <message>
        <source>на этом месте папка с таким именем</source>
        <translation>a folder of that name is in the way</translation>
    </message>
    <message>
        <source>на этом месте символическая ссылка, а через ссылку файл не записывается (укажите сам файл)</source>
        <translation>a symbolic link is in the way, and no file is written through a link (give the file itself)</translation>
    </message>
    <message>
        <source>на этом месте не обычный файл (устройство, канал или сокет)</source>
        <translation>something other than a plain file is in the way (a device, a pipe or a socket)</translation>
    </message>
    <message>
        <source>не удалось заменить прежний файл</source>
        <translation>the old file could not be replaced</translation>
    </message>
    <message>
        <source>Принтер не принял страницу %1.</source>
        <translation>The printer did not take page %1.</translation>
    </message>
    <message>
        <source>Строка %1: %2</source>
        <translation>Row %1: %2</translation>
    </message>
    <message>
        <source>В таблице нет ни одной строки с данными, печатать нечего.</source>
        <translation>The table has no row of data: nothing to print.</translation>
    </message>
    <message>
        <source>В таблице нет столбца «%1», из которого берётся число копий.</source>
        <translation>The table has no column “%1” to take the number of copies from.</translation>
    </message>
    <message>
        <source>Строка %1: в столбце «%2» «%3» - не число копий; нужно целое число от 0 до 10000.</source>
        <translation>Row %1: “%3” in column “%2” is not a number of copies; a whole number from 0 to 10000 is needed.</translation>
    </message>
    <message>
        <source>В столбце «%1» у всех строк 0 копий, печатать нечего.</source>
        <translation>Every row has 0 copies in column “%1”: nothing to print.</translation>
    </message>
    <message>
        <source>программа останавливается</source>
        <translation>the program is stopping</translation>
    </message>
    <message>
        <source>рисунок EPS не удалось вставить в PDF</source>
        <translation>an EPS picture could not be put into the PDF</translation>
    </message>
    <message>
        <source>документ больше 256 МиБ</source>
        <translation>the document is larger than 256 MiB</translation>
    </message>
    <message>
        <source>Остановлено: файл не записан.</source>
        <translation>Stopped: the file was not written.</translation>
    </message>
    <message>
        <source>Использование:
  vellumo-render ЭТИКЕТКА.lbl -o ВЫХОД.{pdf,png,svg} [ПАРАМЕТРЫ]
  vellumo-render ЭТИКЕТКА.lbl --printer ПРИНТЕР [ПАРАМЕТРЫ]
  vellumo-render ЭТИКЕТКА.lbl --send socket://УЗЕЛ[:ПОРТ] --language zpl|tspl|epl [ПАРАМЕТРЫ]
  vellumo-render ЭТИКЕТКА.lbl --send /dev/usb/lp0 --language zpl|tspl|epl [ПАРАМЕТРЫ]
  vellumo-render --server АДРЕС --user ИМЯ ИМЯ_ЭТИКЕТКИ -o ВЫХОД [ПАРАМЕТРЫ]
  vellumo-render --sheet list

Параметры:
  -o ФАЙЛ                 файл результата; формат по расширению: .pdf, .png, .svg,
                          или задание принтера этикеток: .zpl, .tspl, .epl
  --dpi N                 разрешение PNG, точек на дюйм (10..2400, по умолчанию 300);
                          для принтера этикеток - его разрешение (100..600,
                          по умолчанию 203)
  --transparent           PNG без фона этикетки
  --var ИМЯ=ЗНАЧЕНИЕ      значение переменной ${ИМЯ}; можно повторять
  --csv ФАЙЛ              таблица данных: по этикетке на строку (страница PDF,
                          файлы ВЫХОД-0001.png ... или страницы печати);
                          CSV, книга .xlsx или .ods (по содержимому файла);
                          - : таблица со стандартного ввода
  --table-sheet ЛИСТ      лист книги .xlsx или .ods (по умолчанию первый)
  --separator C           разделитель столбцов: &apos;;&apos;, &apos;,&apos; или &apos;tab&apos;
  --encoding КОДИРОВКА    utf-8 или cp1251
  --printer ИМЯ           печать на принтер вместо файла
  --send АДРЕС            задание прямо на принтер этикеток: socket://УЗЕЛ[:ПОРТ]
                          (порт по умолчанию 9100) или устройство (/dev/usb/lp0)
  --language ЯЗЫК         язык принтера для --send: zpl (Zebra и совместимые),
                          tspl (TSC, Xprinter, Gprinter), epl (EPL2)
  --darkness N            плотность печати (ZPL 0..30, TSPL и EPL 0..15)
  --speed N               скорость печати, дюймов в секунду (1..14)
  --media ВИД             носитель: gap (этикетки с зазором, по умолчанию),
                          mark (чёрная метка) или continuous (непрерывная лента)
  --head-width ММ         ширина печатающей головки: более широкая этикетка
                          не отправляется
  --copies N              копий каждой этикетки (1..1000): на листе - рядом,
                          без листа - страницы подряд; на принтер без листа
                          копии делает принтер
  --copies-column СТОЛБЕЦ
                          копий каждой строки - из этого столбца таблицы
                          (целое 0..10000; 0 - строка не печатается);
                          вместо --copies
  --sheet &quot;МАРКА НОМЕР&quot;   печать на листе с несколькими этикетками из
                          каталога, например --sheet &quot;Avery 5160&quot;
  --sheet list            список листов каталога: марка и номер, описание,
                          бумага, размер этикетки, число этикеток
  --sheet-geometry РАЗМЕРЫ  лист по размерам, в мм:
                          БУМАГА,СТОЛБЦЫxРЯДЫ,ШИРИНАxВЫСОТА,СЛЕВА,СВЕРХУ,
                          ПРОМЕЖУТОК_ПО_ГОРИЗОНТАЛИ,ПРОМЕЖУТОК_ПО_ВЕРТИКАЛИ,
                          например A4,3x8,70x37,0,0,0,0; без --sheet и
                          --sheet-geometry - лист, запомненный в этикетке
  --first N               начать с N-й этикетки первого листа (по строкам
                          слева направо, сверху вниз)
  --outlines              контуры этикеток листа (пробная печать на
                          простой бумаге)
  --crop-marks            метки обреза у углов этикеток листа
  --server АДРЕС          этикетка с сервера этикеток (пароль из VELLUMO_PASSWORD
                          или с терминала)
  --user ИМЯ              имя пользователя на сервере
  --timeout С             наибольшее время обращения к серверу, секунд
                          (1..3600, по умолчанию 120)
  --help                  эта справка

Примеры:
  vellumo-render адрес.lbl -o адреса.pdf --csv адреса.csv --sheet &quot;Avery 5160&quot;
  vellumo-render ценник.lbl -o ценники.pdf --sheet-geometry A4,3x8,70x37,0,0,0,0 \
      --copies 24 --outlines

Счётчики в текстах и штрихкодах: ${#} - номер этикетки (каждая копия
считается), ${#:000100} - с 100, шесть цифр; ${#row} - номер строки таблицы;
${#date}, ${#date:yyyy-MM-dd}, ${#time}, ${#time:HH:mm:ss} - дата и время
начала печати.

Статус выхода: 0 - все страницы записаны; 1 - результат не записан;
2 - ошибка в командной строке; 4 - записано, но не все элементы нарисованы.
</source>
        <translation>Usage:
  vellumo-render LABEL.lbl -o OUTPUT.{pdf,png,svg} [OPTIONS]
  vellumo-render LABEL.lbl --printer PRINTER [OPTIONS]
  vellumo-render LABEL.lbl --send socket://HOST[:PORT] --language zpl|tspl|epl [OPTIONS]
  vellumo-render LABEL.lbl --send /dev/usb/lp0 --language zpl|tspl|epl [OPTIONS]
  vellumo-render --server ADDRESS --user NAME LABEL_NAME -o OUTPUT [OPTIONS]
  vellumo-render --sheet list

Options:
  -o FILE                 the output file; the format by its extension: .pdf, .png,
                          .svg, or a label printer job: .zpl, .tspl, .epl
  --dpi N                 PNG resolution, dots per inch (10..2400, default 300);
                          for a label printer, its resolution (100..600,
                          default 203)
  --transparent           PNG without the label&apos;s background
  --var NAME=VALUE        the value of variable ${NAME}; may be repeated
  --csv FILE              a table of data: a label per row (a PDF page,
                          files OUTPUT-0001.png ... or printed pages);
                          CSV, an .xlsx or .ods workbook (by the file&apos;s content);
                          - : the table from standard input
  --table-sheet SHEET     the sheet of an .xlsx or .ods workbook (default: the first)
  --separator C           the column separator: &apos;;&apos;, &apos;,&apos; or &apos;tab&apos;
  --encoding ENCODING     utf-8 or cp1251
  --printer NAME          print to a printer instead of a file
  --send ADDRESS          the job straight to a label printer: socket://HOST[:PORT]
                          (port 9100 by default) or a device (/dev/usb/lp0)
  --language LANGUAGE     the printer language for --send: zpl (Zebra and
                          compatibles), tspl (TSC, Xprinter, Gprinter), epl (EPL2)
  --darkness N            print darkness (ZPL 0..30, TSPL and EPL 0..15)
  --speed N               print speed, inches per second (1..14)
  --media KIND            media: gap (labels with gaps, the default),
                          mark (black mark) or continuous (continuous roll)
  --head-width MM         the print head width: a wider label
                          is not sent
  --copies N              copies of each label (1..1000): on a sheet side by
                          side, without a sheet pages in a row; on a printer
                          without a sheet the printer makes the copies
  --copies-column COLUMN
                          the copies of each row from this column of the table
                          (whole 0..10000; 0: the row is not printed);
                          instead of --copies
  --sheet &quot;BRAND NUMBER&quot;  print on a sheet of several labels from the
                          catalogue, e.g. --sheet &quot;Avery 5160&quot;
  --sheet list            the sheets of the catalogue: brand and number,
                          description, paper, label size, number of labels
  --sheet-geometry SIZES  a sheet by its sizes, in mm:
                          PAPER,COLUMNSxROWS,WIDTHxHEIGHT,LEFT,TOP,
                          HORIZONTAL_GAP,VERTICAL_GAP,
                          e.g. A4,3x8,70x37,0,0,0,0; without --sheet and
                          --sheet-geometry, the sheet kept in the label
  --first N               begin with label N of the first sheet (by rows,
                          left to right, top to bottom)
  --outlines              outlines of the sheet&apos;s labels (a test print on
                          plain paper)
  --crop-marks            crop marks at the corners of the sheet&apos;s labels
  --server ADDRESS        a label from a label server (the password from
                          VELLUMO_PASSWORD or the terminal)
  --user NAME             the user name on the server
  --timeout S             the longest time a server request may take, seconds
                          (1..3600, default 120)
  --help                  this help

Examples:
  vellumo-render address.lbl -o addresses.pdf --csv addresses.csv --sheet &quot;Avery 5160&quot;
  vellumo-render price.lbl -o prices.pdf --sheet-geometry A4,3x8,70x37,0,0,0,0 \
      --copies 24 --outlines

Counters in texts and barcodes: ${#} - the label&apos;s number (every copy
counts), ${#:000100} - from 100, six digits; ${#row} - the table row&apos;s number;
${#date}, ${#date:yyyy-MM-dd}, ${#time}, ${#time:HH:mm:ss} - the date and time
the printing began.

Exit status: 0 - all pages written; 1 - nothing written;
2 - an error on the command line; 4 - written, but not every element drawn.
</translation>
    </message>
    <message>
        <source>Справка: vellumo-render --help</source>
        <translation>Help: vellumo-render --help</translation>
    </message>
    <message>
        <source>Файл этикетки «%1» не читается: %2.</source>
        <translation>Label file “%1” cannot be read: %2.</translation>
    </message>
    <message>
        <source>после %s нужно имя файла</source>
        <translation>%s needs a file name</translation>
    </message>
    <message>
        <source>--dpi: нужно целое число от 10 до 2400</source>
        <translation>--dpi: a whole number from 10 to 2400 is needed</translation>
    </message>
    <message>
        <source>--var: нужно ИМЯ=ЗНАЧЕНИЕ</source>
        <translation>--var: NAME=VALUE is needed</translation>
    </message>
    <message>
        <source>после --csv нужно имя файла таблицы (или - для стандартного ввода)</source>
        <translation>--csv needs the file name of a table (or - for standard input)</translation>
    </message>
    <message>
        <source>после --table-sheet нужно название листа книги</source>
        <translation>--table-sheet needs the name of a sheet of the workbook</translation>
    </message>
    <message>
        <source>после --separator нужен разделитель</source>
        <translation>--separator needs a separator</translation>
    </message>
    <message>
        <source>--separator: разделитель может быть &apos;;&apos;, &apos;,&apos; или &apos;tab&apos;</source>
        <translation>--separator: the separator may be &apos;;&apos;, &apos;,&apos; or &apos;tab&apos;</translation>
    </message>
    <message>
        <source>после --encoding нужна кодировка</source>
        <translation>--encoding needs an encoding</translation>
    </message>
    <message>
        <source>--encoding: кодировка может быть utf-8 или cp1251</source>
        <translation>--encoding: the encoding may be utf-8 or cp1251</translation>
    </message>
    <message>
        <source>после --printer нужно имя принтера</source>
        <translation>--printer needs the name of a printer</translation>
    </message>
    <message>
        <source>после --send нужен адрес принтера: socket://УЗЕЛ[:ПОРТ] или устройство, например /dev/usb/lp0</source>
        <translation>--send needs the address of a printer: socket://HOST[:PORT] or a device such as /dev/usb/lp0</translation>
    </message>
    <message>
        <source>после --language нужен язык принтера: zpl, tspl или epl</source>
        <translation>--language needs the printer language: zpl, tspl or epl</translation>
    </message>
    <message>
        <source>--language: язык принтера может быть zpl, tspl или epl</source>
        <translation>--language: the printer language may be zpl, tspl or epl</translation>
    </message>
    <message>
        <source>--darkness: нужно целое число от 0 до 30 (для TSPL и EPL до 15)</source>
        <translation>--darkness: a whole number from 0 to 30 is needed (up to 15 for TSPL and EPL)</translation>
    </message>
    <message>
        <source>--speed: нужно целое число дюймов в секунду от 1 до 14</source>
        <translation>--speed: a whole number of inches per second from 1 to 14 is needed</translation>
    </message>
    <message>
        <source>после --media нужен носитель: gap, mark или continuous</source>
        <translation>--media needs the media: gap, mark or continuous</translation>
    </message>
    <message>
        <source>--media: носитель может быть gap, mark или continuous</source>
        <translation>--media: the media may be gap, mark or continuous</translation>
    </message>
    <message>
        <source>--head-width: нужна ширина головки в мм, больше 0 и не больше 1000</source>
        <translation>--head-width: the print head width in mm is needed, more than 0 and at most 1000</translation>
    </message>
    <message>
        <source>--copies: нужно целое число от 1 до 1000</source>
        <translation>--copies: a whole number from 1 to 1000 is needed</translation>
    </message>
    <message>
        <source>после --copies-column нужно имя столбца таблицы</source>
        <translation>--copies-column needs the name of a column of the table</translation>
    </message>
    <message>
        <source>после --sheet нужно название листа («МАРКА НОМЕР») или list</source>
        <translation>--sheet needs the name of a sheet (“BRAND NUMBER”) or list</translation>
    </message>
    <message>
        <source>после --sheet-geometry нужны размеры листа: БУМАГА,СТОЛБЦЫxРЯДЫ,ШИРИНАxВЫСОТА,СЛЕВА,СВЕРХУ,ПРОМЕЖУТОК_ПО_ГОРИЗОНТАЛИ,ПРОМЕЖУТОК_ПО_ВЕРТИКАЛИ</source>
        <translation>--sheet-geometry needs the sizes of the sheet: PAPER,COLUMNSxROWS,WIDTHxHEIGHT,LEFT,TOP,HORIZONTAL_GAP,VERTICAL_GAP</translation>
    </message>
    <message>
        <source>--first: нужно целое число от 1 до 10000</source>
        <translation>--first: a whole number from 1 to 10000 is needed</translation>
    </message>
    <message>
        <source>после --server нужен адрес сервера</source>
        <translation>--server needs the address of a server</translation>
    </message>
    <message>
        <source>после --user нужно имя пользователя</source>
        <translation>--user needs a user name</translation>
    </message>
    <message>
        <source>--timeout: нужно целое число секунд от 1 до 3600</source>
        <translation>--timeout: a whole number of seconds from 1 to 3600 is needed</translation>
    </message>
    <message>
        <source>Пароль: </source>
        <translation>Password: </translation>
    </message>
    <message>
        <source>страница %1 из %2</source>
        <translation>page %1 of %2</translation>
    </message>
    <message>
        <source>Каталог листов пуст: не найдено ни одного листа этикеток.</source>
        <translation>The sheet catalogue is empty: no sheet of labels was found.</translation>
    </message>
    <message>
        <source>Лист «%1» не найден в каталоге. Список листов: vellumo-render --sheet list.</source>
        <translation>Sheet “%1” is not in the catalogue. The sheets: vellumo-render --sheet list.</translation>
    </message>
    <message>
        <source>Лист «%1» не найден в каталоге. Похожие: %2.</source>
        <translation>Sheet “%1” is not in the catalogue. Similar ones: %2.</translation>
    </message>
    <message>
        <source>Этикетка %1×%2 мм не подходит к листу «%3»: на нём этикетки %4×%5 мм.</source>
        <translation>A label of %1×%2 mm does not fit sheet “%3”: its labels are %4×%5 mm.</translation>
    </message>
    <message>
        <source>--first %1: на листе «%2» всего %3 этикеток.</source>
        <translation>--first %1: sheet “%2” holds only %3 labels.</translation>
    </message>
    <message>
        <source>Предупреждение: %1</source>
        <translation>Warning: %1</translation>
    </message>
    <message>
        <source>параметр %1 указан дважды</source>
        <translation>option %1 is given twice</translation>
    </message>
    <message>
        <source>неизвестный параметр %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>--sheet list указывается без этикетки и других параметров</source>
        <translation>--sheet list takes no label and no other options</translation>
    </message>
    <message>
        <source>не указана этикетка</source>
        <translation>no label given</translation>
    </message>
    <message>
        <source>этикетка указывается одна</source>
        <translation>give one label only</translation>
    </message>
    <message>
        <source>нужно одно из: -o ФАЙЛ, --printer ПРИНТЕР, --send АДРЕС</source>
        <translation>one of these is needed: -o FILE, --printer PRINTER, --send ADDRESS</translation>
    </message>
    <message>
        <source>с --send нужен язык принтера: --language zpl, tspl или epl</source>
        <translation>--send needs the printer language: --language zpl, tspl or epl</translation>
    </message>
    <message>
        <source>лист задаётся одним из --sheet и --sheet-geometry</source>
        <translation>give the sheet with one of --sheet and --sheet-geometry</translation>
    </message>
    <message>
        <source>--user и --timeout относятся к --server</source>
        <translation>--user and --timeout go with --server</translation>
    </message>
    <message>
        <source>с --server нужно имя пользователя: --user ИМЯ</source>
        <translation>--server needs a user name: --user NAME</translation>
    </message>
    <message>
        <source>--separator и --encoding относятся к --csv</source>
        <translation>--separator and --encoding go with --csv</translation>
    </message>
    <message>
        <source>--copies-column относится к --csv</source>
        <translation>--copies-column goes with --csv</translation>
    </message>
    <message>
        <source>--var %1: имена, начинающиеся с «#», заняты счётчиками (${#}, ${#row}, ${#date}, ${#time})</source>
        <translation>--var %1: names that begin with “#” belong to the counters (${#}, ${#row}, ${#date}, ${#time})</translation>
    </message>
    <message>
        <source>--table-sheet относится к --csv</source>
        <translation>--table-sheet goes with --csv</translation>
    </message>
    <message>
        <source>формат файла результата по расширению: %1</source>
        <translation>the output format is taken from the extension: %1</translation>
    </message>
    <message>
        <source> или </source>
        <translation> or </translation>
    </message>
    <message>
        <source>--language относится к --send (у файла язык по расширению: .zpl, .tspl, .epl)</source>
        <translation>--language goes with --send (a file takes the language from its extension: .zpl, .tspl, .epl)</translation>
    </message>
    <message>
        <source>--darkness, --speed, --media и --head-width относятся к принтеру этикеток (--send или -o ЗАДАНИЕ.zpl, .tspl, .epl)</source>
        <translation>--darkness, --speed, --media and --head-width go with a label printer (--send or -o JOB.zpl, .tspl, .epl)</translation>
    </message>
    <message>
        <source>принтер этикеток печатает по этикетке: --sheet и --sheet-geometry к нему не относятся</source>
        <translation>a label printer prints one label at a time: --sheet and --sheet-geometry do not apply to it</translation>
    </message>
    <message>
        <source>--transparent относится к PNG</source>
        <translation>--transparent goes with PNG</translation>
    </message>
    <message>
        <source>--dpi: у принтера этикеток разрешение от 100 до 600</source>
        <translation>--dpi: a label printer has a resolution from 100 to 600</translation>
    </message>
    <message>
        <source>--darkness: для %1 нужно целое число от 0 до %2</source>
        <translation>--darkness: %1 needs a whole number from 0 to %2</translation>
    </message>
    <message>
        <source>внутренняя ошибка Qt (%1)</source>
        <translation>internal Qt error (%1)</translation>
    </message>
    <message>
        <source>Пароль не задан: нет переменной VELLUMO_PASSWORD, а спросить его негде (нет терминала). Для сервера без пользователей задайте VELLUMO_PASSWORD пустой.</source>
        <translation>No password: VELLUMO_PASSWORD is not set and there is no terminal to ask on. For a server without users set VELLUMO_PASSWORD empty.</translation>
    </message>
    <message>
        <source>На «%1» ничего не отправлено: %2.</source>
        <translation>Nothing was sent to “%1”: %2.</translation>
    </message>
    <message>
        <source>--first, --outlines и --crop-marks относятся к листу: укажите --sheet или --sheet-geometry</source>
        <translation>--first, --outlines and --crop-marks go with a sheet: give --sheet or --sheet-geometry</translation>
    </message>
    <message>
        <source>Принтер «%1» не найден.</source>
        <translation>Printer “%1” was not found.</translation>
    </message>
    <message>
        <source>Остановлено: на принтер ничего не отправлено.</source>
        <translation>Stopped: nothing was sent to the printer.</translation>
    </message>
    <message>
        <source>Остановлено: на «%1» отправлены только первые этикетки (%2).</source>
        <translation>Stopped: only the first labels (%2) were sent to “%1”.</translation>
    </message>
    <message>
        <source>Остановлено: записаны только первые файлы (%1): «%2» … «%3».</source>
        <translation>Stopped: only the first files (%1) were written: “%2” … “%3”.</translation>
    </message>
    <message>
        <source>такого файла нет</source>
        <translation>there is no such file</translation>
    </message>
    <message>
        <source>это папка</source>
        <translation>it is a folder</translation>
    </message>
    <message>
        <source>нет прав на чтение</source>
        <translation>no permission to read</translation>
    </message>
    <message>
        <source>в пути есть файл вместо папки</source>
        <translation>the path has a file where a folder should be</translation>
    </message>
    <message>
        <source>это не обычный файл (устройство, канал или сокет)</source>
        <translation>it is not a plain file (a device, a pipe or a socket)</translation>
    </message>
    <message>
        <source>файл слишком велик</source>
        <translation>the file is too large</translation>
    </message>
    <message>
        <source>символические ссылки замкнуты в кольцо</source>
        <translation>the symbolic links form a loop</translation>
    </message>
    <message>
        <source>слишком длинное имя</source>
        <translation>the name is too long</translation>
    </message>
    <message>
        <source>ошибка ввода/вывода на диске</source>
        <translation>a disk input/output error</translation>
    </message>
    <message>
        <source>системная ошибка </source>
        <translation>system error </translation>
    </message>
    <message>
        <source>остановлено</source>
        <translation>stopped</translation>
    </message>
    <message>
        <source>время Ghostscript вышло</source>
        <translation>Ghostscript ran out of time</translation>
    </message>
    <message>
        <source>Документ PDF</source>
        <translation>PDF document</translation>
    </message>
    <message>
        <source>Изображение PNG</source>
        <translation>PNG image</translation>
    </message>
    <message>
        <source>Рисунок SVG</source>
        <translation>SVG drawing</translation>
    </message>
    <message>
        <source>Задание ZPL II (Zebra и совместимые)</source>
        <translation>ZPL II job (Zebra and compatibles)</translation>
    </message>
    <message>
        <source>Задание TSPL (TSC, Xprinter, Gprinter)</source>
        <translation>TSPL job (TSC, Xprinter, Gprinter)</translation>
    </message>
    <message>
        <source>Задание EPL2 (Zebra, Eltron)</source>
        <translation>EPL2 job (Zebra, Eltron)</translation>
    </message>
    <message>
        <source> и </source>
        <translation> and </translation>
    </message>
    <message>
        <source>рисунок больше 100 мегапикселей</source>
        <translation>the picture is larger than 100 megapixels</translation>
    </message>
    <message>
        <source>Файл листов «%1» не прочитан: %2.</source>
        <translation>Sheets file “%1” was not read: %2.</translation>
    </message>
    <message>
        <source>Папка шаблонов листов «%1» не прочитана: %2.</source>
        <translation>Sheet templates folder “%1” was not read: %2.</translation>
    </message>
    <message>
        <source>В «%1» на листах вместе больше %2 этикеток, остальные листы не прочитаны.</source>
        <translation>The sheets in “%1” hold more than %2 labels together; the other sheets were not read.</translation>
    </message>
    <message>
        <source>Файлы папки шаблонов листов «%1» вместе больше %2 МиБ, остальные не прочитаны.</source>
        <translation>The files of sheet templates folder “%1” are larger than %2 MiB together; the others were not read.</translation>
    </message>
    <message>
        <source>В папке шаблонов листов «%1» больше %2 файлов, остальные не прочитаны.</source>
        <translation>Sheet templates folder “%1” holds more than %2 files; the others were not read.</translation>
    </message>
    <message>
        <source>«%1», лист %2: %3</source>
        <translation>“%1”, sheet %2: %3</translation>
    </message>
    <message>
        <source>Лист «%1» не записан: %2</source>
        <translation>Sheet “%1” was not written: %2</translation>
    </message>
    <message>
        <source>ошибка XML в строке %1</source>
        <translation>XML error on line %1</translation>
    </message>
    <message>
        <source>файл обрывается в строке %1</source>
        <translation>the file breaks off on line %1</translation>
    </message>
    <message>
        <source>в нём объявлены сущности XML, а в файле листов их быть не может</source>
        <translation>it declares XML entities, which a sheets file may not have</translation>
    </message>
    <message>
        <source>в нём ссылка на сущность XML «%1», которой файл не объявляет</source>
        <translation>it refers to XML entity “%1”, which the file does not declare</translation>
    </message>
    <message>
        <source>теги в нём вложены глубже %1 уровней</source>
        <translation>its tags are nested deeper than %1 levels</translation>
    </message>
    <message>
        <source>в нём больше %1 листов</source>
        <translation>it holds more than %1 sheets</translation>
    </message>
    <message>
        <source>это не шаблоны glabels</source>
        <translation>these are not glabels templates</translation>
    </message>
    <message>
        <source>это не список этикеток LibreOffice</source>
        <translation>this is not a LibreOffice list of labels</translation>
    </message>
    <message>
        <source>это не файл листов программы</source>
        <translation>this is not the program&apos;s sheets file</translation>
    </message>
    <message>
        <source>это не папка</source>
        <translation>this is not a folder</translation>
    </message>
    <message>
        <source>Не задан атрибут %1.</source>
        <translation>Attribute %1 is not given.</translation>
    </message>
    <message>
        <source>«%1» в атрибуте %2 не длина.</source>
        <translation>“%1” in attribute %2 is not a length.</translation>
    </message>
    <message>
        <source>«%1» в атрибуте %2 не целое число.</source>
        <translation>“%1” in attribute %2 is not a whole number.</translation>
    </message>
    <message>
        <source>Неизвестный размер бумаги «%1».</source>
        <translation>Unknown paper size “%1”.</translation>
    </message>
    <message>
        <source>Неизвестная форма этикетки «%1».</source>
        <translation>Unknown label shape “%1”.</translation>
    </message>
    <message>
        <source>У листа нет названия.</source>
        <translation>The sheet has no name.</translation>
    </message>
    <message>
        <source>Он повторяет лист %1, а такого нет.</source>
        <translation>It repeats sheet %1, which does not exist.</translation>
    </message>
    <message>
        <source>Он повторяет лист %1, а тот не принят.</source>
        <translation>It repeats sheet %1, which was refused.</translation>
    </message>
    <message>
        <source>Размеры «%1» должны быть 11 полями через точку с запятой: S или C и 10 неотрицательных чисел.</source>
        <translation>The sizes “%1” must be 11 fields separated by semicolons: S or C and 10 numbers not below zero.</translation>
    </message>
    <message>
        <source>в названии, описании или бумаге листа есть управляющие символы или неверный UTF-8</source>
        <translation>the sheet&apos;s name, description or paper holds control characters or invalid UTF-8</translation>
    </message>
    <message>
        <source>строк на листе больше %1</source>
        <translation>the sheet has more than %1 rows</translation>
    </message>
    <message>
        <source>ячейка длиннее 16 МиБ</source>
        <translation>a cell is longer than 16 MiB</translation>
    </message>
    <message>
        <source>столбцов больше 10000</source>
        <translation>more than 10000 columns</translation>
    </message>
    <message>
        <source>строка таблицы длиннее 16 МиБ</source>
        <translation>a table row is longer than 16 MiB</translation>
    </message>
    <message>
        <source>Файл «%1»: %2.</source>
        <translation>File “%1”: %2.</translation>
    </message>
    <message>
        <source>Файл «%1», строка %2: %3.</source>
        <translation>File “%1”, row %2: %3.</translation>
    </message>
    <message>
        <source>часть «%1» содержит объявление DOCTYPE - такие файлы программа не читает</source>
        <translation>part “%1” holds a DOCTYPE declaration; the program does not read such files</translation>
    </message>
    <message>
        <source>часть «%1» повреждена (ошибка XML в её строке %2)</source>
        <translation>part “%1” is damaged (an XML error on its line %2)</translation>
    </message>
    <message>
        <source>ссылка «%1» ведёт за пределы архива</source>
        <translation>link “%1” leads outside the archive</translation>
    </message>
    <message>
        <source>в архиве слишком много связей между частями</source>
        <translation>the archive has too many relationships between its parts</translation>
    </message>
    <message>
        <source>в книге слишком много листов</source>
        <translation>the workbook has too many sheets</translation>
    </message>
    <message>
        <source>общих строк больше %1</source>
        <translation>more than %1 shared strings</translation>
    </message>
    <message>
        <source>общих строк больше 128 МиБ</source>
        <translation>the shared strings are larger than 128 MiB</translation>
    </message>
    <message>
        <source>ячейка ссылается на общую строку %1, а их %2</source>
        <translation>a cell refers to shared string %1, but there are %2</translation>
    </message>
    <message>
        <source>в книге нет ни одного листа</source>
        <translation>the workbook has no sheet</translation>
    </message>
    <message>
        <source>это zip-архив, но не таблица .xlsx или .ods</source>
        <translation>this is a zip archive, but not an .xlsx or .ods table</translation>
    </message>
    <message>
        <source>листа «%1» в книге нет; листы: %2</source>
        <translation>the workbook has no sheet “%1”; its sheets: %2</translation>
    </message>
    <message>
        <source>лист «%1» - не таблица (диаграмма или ссылка наружу)</source>
        <translation>sheet “%1” is not a table (a chart or an outside link)</translation>
    </message>
    <message>
        <source>не удалось создать временный файл: %1</source>
        <translation>no temporary file could be created: %1</translation>
    </message>
    <message>
        <source>строки листа не удалось сохранить во временный файл: %1</source>
        <translation>the sheet&apos;s rows could not be saved to a temporary file: %1</translation>
    </message>
    <message>
        <source>ячеек %1, а столбцов в заголовке %2</source>
        <translation>%1 cells, but %2 columns in the header</translation>
    </message>
    <message>
        <source>на листе нет строки заголовка (названий столбцов)</source>
        <translation>the sheet has no header row (the names of the columns)</translation>
    </message>
    <message>
        <source>столбец «%1» назван дважды</source>
        <translation>column “%1” is named twice</translation>
    </message>
    <message>
        <source>Стандартный ввод не удалось сохранить во временный файл: %1.</source>
        <translation>Standard input could not be saved to a temporary file: %1.</translation>
    </message>
    <message>
        <source>Стандартный ввод не читается: %1.</source>
        <translation>Standard input cannot be read: %1.</translation>
    </message>
    <message>
        <source>На стандартном вводе больше 1 ГиБ: такие таблицы программа не читает.</source>
        <translation>Standard input holds more than 1 GiB: the program does not read such tables.</translation>
    </message>
    <message>
        <source>стандартный ввод</source>
        <translation>standard input</translation>
    </message>
    <message>
        <source>Файл «%1» - книга Excel старого формата (.xls) или другой документ Office 97: сохраните таблицу как .xlsx, .ods или CSV.</source>
        <translation>File “%1” is an old-format Excel workbook (.xls) or another Office 97 document: save the table as .xlsx, .ods or CSV.</translation>
    </message>
    <message>
        <source>Файл «%1» - таблица CSV, листов в нём нет (спрошен лист «%2»).</source>
        <translation>File “%1” is a CSV table and has no sheets (sheet “%2” was asked for).</translation>
    </message>
    <message>
        <source>разрешение принтера этикеток %1 dpi: нужно от %2 до %3</source>
        <translation>label printer resolution %1 dpi: from %2 to %3 is needed</translation>
    </message>
    <message>
        <source>плотность %1: для %2 нужно число от 0 до %3</source>
        <translation>darkness %1: %2 needs a number from 0 to %3</translation>
    </message>
    <message>
        <source>скорость %1: нужно число дюймов в секунду от 1 до 14</source>
        <translation>speed %1: a number of inches per second from 1 to 14 is needed</translation>
    </message>
    <message>
        <source>зазор между этикетками: нужно от 0 до 50 мм</source>
        <translation>the gap between labels: from 0 to 50 mm is needed</translation>
    </message>
    <message>
        <source>ширина головки: нужно от 0 до 1000 мм</source>
        <translation>the head width: from 0 to 1000 mm is needed</translation>
    </message>
    <message>
        <source>смещение печати: нужно от −%1 до %1 мм</source>
        <translation>the print offset: from −%1 to %1 mm is needed</translation>
    </message>
    <message>
        <source>копий: нужно от 1 до 100000</source>
        <translation>copies: from 1 to 100000 are needed</translation>
    </message>
    <message>
        <source>этикетка шириной %1 мм шире головки принтера (%2 мм)</source>
        <translation>a label %1 mm wide is wider than the printer&apos;s head (%2 mm)</translation>
    </message>
    <message>
        <source>этикетка %1 × %2 точек слишком велика для принтера этикеток</source>
        <translation>a label of %1 × %2 dots is too large for a label printer</translation>
    </message>
    <message>
        <source>адрес принтера «%1»: нет закрывающей скобки</source>
        <translation>printer address “%1”: the closing bracket is missing</translation>
    </message>
    <message>
        <source>адрес принтера «%1» не разобран</source>
        <translation>printer address “%1” could not be understood</translation>
    </message>
    <message>
        <source>адрес принтера «%1»: нужно socket://УЗЕЛ[:ПОРТ], порт от 1 до 65535</source>
        <translation>printer address “%1”: socket://HOST[:PORT] is needed, the port from 1 to 65535</translation>
    </message>
    <message>
        <source>принтер «%1» не найден: %2</source>
        <translation>printer “%1” was not found: %2</translation>
    </message>
    <message>
        <source>принтер «%1» не отвечает %{2:g} с</source>
        <translation>printer “%1” has not answered for %{2:g} s</translation>
    </message>
    <message>
        <source>не удалось соединиться с принтером «%1»: %2</source>
        <translation>could not connect to printer “%1”: %2</translation>
    </message>
    <message>
        <source>устройство принтера «%1» не открывается: %2</source>
        <translation>printer device “%1” cannot be opened: %2</translation>
    </message>
    <message>
        <source>его никто не читает (принтер не подключён?)</source>
        <translation>nothing reads it (is the printer connected?)</translation>
    </message>
    <message>
        <source>«%1» — не устройство принтера; файл задания пишется с -o</source>
        <translation>“%1” is not a printer device; a job file is written with -o</translation>
    </message>
    <message>
        <source>Печать на «%1» прервана: %2. Принтер принял этикеток: %3 из отправленных %4.</source>
        <translation>Printing to “%1” broke off: %2. The printer took %3 of the %4 labels sent.</translation>
    </message>
    <message>
        <source>Печать на «%1» остановлена: %2.</source>
        <translation>Printing to “%1” stopped: %2.</translation>
    </message>
    <message>
        <source>подключение принтера «%1»: нужно socket://УЗЕЛ[:ПОРТ] или путь к устройству, например /dev/usb/lp0</source>
        <translation>printer connection “%1”: socket://HOST[:PORT] or the path of a device such as /dev/usb/lp0 is needed</translation>
    </message>
    <message>
        <source>архив повреждён или обрезан</source>
        <translation>the archive is damaged or cut short</translation>
    </message>
    <message>
        <source>контрольная сумма части не сходится: архив повреждён</source>
        <translation>a part&apos;s checksum does not match: the archive is damaged</translation>
    </message>
    <message>
        <source>часть сжата неизвестным способом</source>
        <translation>a part is compressed in an unknown way</translation>
    </message>
    <message>
        <source>архив зашифрован</source>
        <translation>the archive is encrypted</translation>
    </message>
    <message>
        <source>архив из нескольких томов</source>
        <translation>the archive spans several volumes</translation>
    </message>
    <message>
        <source>не хватает памяти</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>файл не читается</source>
        <translation>the file cannot be read</translation>
    </message>
    <message>
        <source>архив повреждён</source>
        <translation>the archive is damaged</translation>
    </message>
    <message>
        <source>часть «%1» больше, чем сказано в заголовке архива: архив повреждён</source>
        <translation>part “%1” is larger than the archive&apos;s header says: the archive is damaged</translation>
    </message>
    <message>
        <source>часть «%1» после распаковки больше %2 МиБ: файл не читается</source>
        <translation>part “%1” is larger than %2 MiB unpacked: the file is not read</translation>
    </message>
    <message>
        <source>часть «%1» распаковывается более чем в %2 раз (zip-бомба): файл не читается</source>
        <translation>part “%1” unpacks to more than %2 times its size (a zip bomb): the file is not read</translation>
    </message>
    <message>
        <source>в архиве больше %1 частей</source>
        <translation>the archive has more than %1 parts</translation>
    </message>
    <message>
        <source>в архиве нет части «%1»</source>
        <translation>the archive has no part “%1”</translation>
    </message>
    <message>
        <source>длина данных не подходит для этого штрихкода</source>
        <translation>the length of the data does not suit this barcode</translation>
    </message>
    <message>
        <source>эти данные нельзя записать этим штрихкодом</source>
        <translation>this barcode cannot hold this data</translation>
    </message>
    <message>
        <source>неверная контрольная цифра</source>
        <translation>wrong check digit</translation>
    </message>
    <message>
        <source>нет памяти</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>данные не соответствуют стандарту этого штрихкода</source>
        <translation>the data does not meet this barcode&apos;s standard</translation>
    </message>
    <message>
        <source>libzint не построил штрихкод</source>
        <translation>libzint did not build the barcode</translation>
    </message>
    <message>
        <source>неизвестный вид штрихкода (%1)</source>
        <translation>unknown kind of barcode (%1)</translation>
    </message>
    <message>
        <source>EAN: нужны только цифры, 7, 8, 12 или 13</source>
        <translation>EAN: digits only are needed, 7, 8, 12 or 13 of them</translation>
    </message>
    <message>
        <source>EAN-8: нужны только цифры, 7 или 8</source>
        <translation>EAN-8: digits only are needed, 7 or 8 of them</translation>
    </message>
    <message>
        <source>EAN-13: нужны только цифры, 12 или 13</source>
        <translation>EAN-13: digits only are needed, 12 or 13 of them</translation>
    </message>
    <message>
        <source>UPC: нужны только цифры, 11 или 12</source>
        <translation>UPC: digits only are needed, 11 or 12 of them</translation>
    </message>
    <message>
        <source>CODE-128C: нужно чётное число цифр</source>
        <translation>CODE-128C: an even number of digits is needed</translation>
    </message>
    <message>
        <source>DataMatrix: данные с символом GS или с 01 и 14 цифрами в начале — это код GS1, но %1</source>
        <translation>DataMatrix: data with a GS character or beginning with 01 and 14 digits is a GS1 code, but %1</translation>
    </message>
    <message>
        <source>GS1-128: %1</source>
        <translation>GS1-128: %1</translation>
    </message>
    <message>
        <source>GS1-128: данные начинаются с идентификатора применения, в скобках или без них, например (01) или 01</source>
        <translation>GS1-128: the data begins with an application identifier, in brackets or without, e.g. (01) or 01</translation>
    </message>
    <message>
        <source>нет данных для штрихкода</source>
        <translation>no data for the barcode</translation>
    </message>
    <message>
        <source>CODE-128RAW: нужны номера символов 0…105 через пробел</source>
        <translation>CODE-128RAW: symbol numbers 0…105 separated by spaces are needed</translation>
    </message>
    <message>
        <source>CODE-128RAW: номер символа %1 больше 105</source>
        <translation>CODE-128RAW: symbol number %1 is larger than 105</translation>
    </message>
    <message>
        <source>CODE-128RAW: стартовый символ %1 не в начале</source>
        <translation>CODE-128RAW: start symbol %1 is not at the beginning</translation>
    </message>
    <message>
        <source>CODE-128RAW: слишком много символов</source>
        <translation>CODE-128RAW: too many symbols</translation>
    </message>
    <message>
        <source>модуль штрихкода уже точки принтера (%{1:.2f} точки): напечатан в одну точку, штрихкод больше своей рамки</source>
        <translation>the barcode&apos;s module is narrower than a printer dot (%{1:.2f} dots): printed one dot wide, the barcode is larger than its frame</translation>
    </message>
    <message>
        <source>точка</source>
        <translation>dot</translation>
    </message>
    <message>
        <source>точки</source>
        <translation>dots</translation>
    </message>
    <message>
        <source>точек</source>
        <translation>dots</translation>
    </message>
    <message>
        <source>штрихкод растянут на %{1:.0f} %% до целых точек принтера (модуль %2 %3)</source>
        <translation>the barcode was stretched by %{1:.0f} %% to whole printer dots (module of %2 %3)</translation>
    </message>
    <message>
        <source>штрихкод сжат на %{1:.0f} %% до целых точек принтера (модуль %2 %3)</source>
        <translation>the barcode was shrunk by %{1:.0f} %% to whole printer dots (module of %2 %3)</translation>
    </message>
    <message>
        <source>штрихкод нулевого размера</source>
        <translation>the barcode has zero size</translation>
    </message>
    <message>
        <source>Ghostscript выдал изображение %1×%2 вместо %3×%4</source>
        <translation>Ghostscript gave an image of %1×%2 instead of %3×%4</translation>
    </message>
    <message>
        <source>изображение %1×%2 от Ghostscript не прочитано: %3</source>
        <translation>the %1×%2 image from Ghostscript was not read: %3</translation>
    </message>
    <message>
        <source>не хватило памяти для рисунка %1×%2</source>
        <translation>not enough memory for a %1×%2 picture</translation>
    </message>
    <message>
        <source>не удалось создать рабочую папку: %1</source>
        <translation>no working folder could be created: %1</translation>
    </message>
    <message>
        <source>сервер останавливается</source>
        <translation>the server is stopping</translation>
    </message>
    <message>
        <source>не удалось запустить gs: %1</source>
        <translation>gs could not be started: %1</translation>
    </message>
    <message>
        <source>построение остановлено</source>
        <translation>drawing was stopped</translation>
    </message>
    <message>
        <source>время Ghostscript на это изображение вышло</source>
        <translation>Ghostscript&apos;s time for this image ran out</translation>
    </message>
    <message>
        <source>Ghostscript не уложился в %1 с и остановлен</source>
        <translation>Ghostscript did not finish within %1 s and was stopped</translation>
    </message>
    <message>
        <source>Ghostscript не уложился в %1 с процессорного времени и остановлен</source>
        <translation>Ghostscript did not finish within %1 s of processor time and was stopped</translation>
    </message>
    <message>
        <source>Ghostscript остановлен сигналом %1 (исчерпано время процессора)</source>
        <translation>Ghostscript was stopped by signal %1 (processor time used up)</translation>
    </message>
    <message>
        <source>Ghostscript остановлен сигналом %1 (превышен размер файла)</source>
        <translation>Ghostscript was stopped by signal %1 (file size exceeded)</translation>
    </message>
    <message>
        <source>Ghostscript остановлен сигналом %1</source>
        <translation>Ghostscript was stopped by signal %1</translation>
    </message>
    <message>
        <source>рисунок содержит ошибку PostScript</source>
        <translation>the picture holds a PostScript error</translation>
    </message>
    <message>
        <source>Ghostscript не хватило памяти: %1</source>
        <translation>Ghostscript ran out of memory: %1</translation>
    </message>
    <message>
        <source>ошибка Ghostscript: %1</source>
        <translation>Ghostscript error: %1</translation>
    </message>
    <message>
        <source>Ghostscript ничего не нарисовал (рисунок вызывает quit?)</source>
        <translation>Ghostscript drew nothing (does the picture call quit?)</translation>
    </message>
    <message>
        <source>Ghostscript завершился с кодом %1 и ничего не нарисовал</source>
        <translation>Ghostscript exited with code %1 and drew nothing</translation>
    </message>
    <message>
        <source>Ghostscript завершился с кодом %1</source>
        <translation>Ghostscript exited with code %1</translation>
    </message>
    <message>
        <source>программа Ghostscript (gs) не найдена</source>
        <translation>the Ghostscript program (gs) was not found</translation>
    </message>
    <message>
        <source>не удалось записать рисунок во временный файл</source>
        <translation>the picture could not be written to a temporary file</translation>
    </message>
    <message>
        <source>у рисунка нет размеров (%%BoundingBox)</source>
        <translation>the picture has no size (%%BoundingBox)</translation>
    </message>
    <message>
        <source>рисунок меньше точки</source>
        <translation>the picture is smaller than a dot</translation>
    </message>
    <message>
        <source>Ghostscript выдал больше данных, чем бывает у рисунка %1×%2</source>
        <translation>Ghostscript gave more data than a %1×%2 picture can have</translation>
    </message>
    <message>
        <source>Ghostscript выдал PDF больше %1 МБ</source>
        <translation>Ghostscript gave a PDF larger than %1 MB</translation>
    </message>
    <message>
        <source>Ghostscript выдал не PDF</source>
        <translation>Ghostscript gave something other than a PDF</translation>
    </message>
    <message>
        <source>изображение не читается: %1</source>
        <translation>the image cannot be read: %1</translation>
    </message>
    <message>
        <source>изображение объявляет %1 × %2 точек, больше допустимого</source>
        <translation>the image declares %1 × %2 dots, more than allowed</translation>
    </message>
    <message>
        <source>изображение испорчено (размер не тот, что объявлен)</source>
        <translation>the image is damaged (its size is not the declared one)</translation>
    </message>
    <message>
        <source>это не растровое изображение</source>
        <translation>this is not a raster image</translation>
    </message>
    <message>
        <source>это не SVG</source>
        <translation>this is not SVG</translation>
    </message>
    <message>
        <source>SVG не читается</source>
        <translation>the SVG cannot be read</translation>
    </message>
    <message>
        <source>имя файла пусто</source>
        <translation>the file name is empty</translation>
    </message>
    <message>
        <source>Элемент %1: </source>
        <translation>Element %1: </translation>
    </message>
    <message>
        <source>Элемент %1 («%2»): </source>
        <translation>Element %1 (“%2”): </translation>
    </message>
    <message>
        <source>${%1} заменено на «%2»</source>
        <translation>${%1} replaced with “%2”</translation>
    </message>
    <message>
        <source>переменная ${%1} не задана, оставлена как есть</source>
        <translation>variable ${%1} is not set, left as it is</translation>
    </message>
    <message>
        <source>текст длиннее %1 знаков, взято начало</source>
        <translation>the text is longer than %1 characters, its beginning was taken</translation>
    </message>
    <message>
        <source>рисунок не нарисован: файл %1 испорчен или небезопасен</source>
        <translation>the picture was not drawn: the %1 file is damaged or unsafe</translation>
    </message>
    <message>
        <source>рисунок не нарисован: %1</source>
        <translation>the picture was not drawn: %1</translation>
    </message>
    <message>
        <source>в данных нет столбца для имени файла</source>
        <translation>the data has no column for the file name</translation>
    </message>
    <message>
        <source>из данных берутся рисунки PNG, JPEG и SVG, а это EPS</source>
        <translation>pictures from the data are PNG, JPEG and SVG, and this is EPS</translation>
    </message>
    <message>
        <source>рисунок «%1» не нарисован: %2</source>
        <translation>picture “%1” was not drawn: %2</translation>
    </message>
    <message>
        <source>рисунок не нарисован: в элементе нет рисунка</source>
        <translation>the picture was not drawn: the element has no picture</translation>
    </message>
    <message>
        <source>рисунок не нарисован: время Ghostscript на изображение (%1 с) вышло</source>
        <translation>the picture was not drawn: Ghostscript&apos;s time for the image (%1 s) ran out</translation>
    </message>
    <message>
        <source>штрихкод не нарисован: %1</source>
        <translation>the barcode was not drawn: %1</translation>
    </message>
    <message>
        <source>неизвестный вид элемента %1</source>
        <translation>unknown kind of element %1</translation>
    </message>
    <message>
        <source>размер шрифта не задан, взят %1 пт</source>
        <translation>no font size given, %1 pt taken</translation>
    </message>
    <message>
        <source>размер шрифта уменьшен до %1 пт</source>
        <translation>the font size was reduced to %1 pt</translation>
    </message>
    <message>
        <source>шрифт «%1» не найден, взят «%2»</source>
        <translation>font “%1” was not found, “%2” taken</translation>
    </message>
    <message>
        <source>после %1 нужно значение</source>
        <translation>%1 needs a value</translation>
    </message>
    <message>
        <source>%1: нужно целое от %2 до %3, а не «%4»</source>
        <translation>%1: a whole number from %2 to %3 is needed, not “%4”</translation>
    </message>
    <message>
        <source>имя пользователя не может быть пустым, начинаться с «#» или содержать «:» и переводы строки</source>
        <translation>a user name cannot be empty, begin with “#” or hold “:” or line breaks</translation>
    </message>
    <message>
        <source>Ничего не отправлено: %1.</source>
        <translation>Nothing was sent: %1.</translation>
    </message>
    <message>
        <source>соединение отвергнуто (принтер выключен или порт не тот)</source>
        <translation>connection refused (the printer is off or the port is wrong)</translation>
    </message>
    <message>
        <source>нет ответа</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>сеть до принтера недоступна</source>
        <translation>the printer&apos;s network cannot be reached</translation>
    </message>
    <message>
        <source>такого устройства нет</source>
        <translation>no such device</translation>
    </message>
    <message>
        <source>нет прав на запись (группа lp?)</source>
        <translation>no permission to write (the lp group?)</translation>
    </message>
    <message>
        <source>устройство занято другой программой</source>
        <translation>the device is busy with another program</translation>
    </message>
    <message>
        <source>на устройстве нет места</source>
        <translation>no room left on the device</translation>
    </message>
    <message>
        <source>принтер не принимает данные %{1:g} с</source>
        <translation>the printer has taken no data for %{1:g} s</translation>
    </message>
    <message>
        <source>принтер прервал соединение</source>
        <translation>the printer broke the connection</translation>
    </message>
    <message>
        <source>ошибка передачи: %1</source>
        <translation>sending failed: %1</translation>
    </message>
    <message>
        <source>Использование: vellumo-server [--listen АДРЕС:ПОРТ] [--store ПАПКА|БАЗА] [--users ФАЙЛ] [ПРЕДЕЛЫ]
       vellumo-server --store БАЗА --import ПАПКА | --export ПАПКА
       vellumo-server --hash-password ИМЯ   (пароль со стандартного ввода)

  --listen   где принимать вызовы XML-RPC (по умолчанию %1)
  --store    папка этикеток (по умолчанию %2) или база PostgreSQL:
             postgresql://ПОЛЬЗОВАТЕЛЬ@ХОСТ/БАЗА или «host=… dbname=…»; пароль —
             только из PGPASSWORD или ~/.pgpass
  --import   скопировать этикетки из папки в базу (--store), не заменяя имеющихся
  --export   скопировать этикетки из базы (--store) в папку, не заменяя имеющихся
  --users    файл пользователей: строки «имя:пароль» или «имя:pbkdf2-sha256:…»;
             без него принимаются любые имя и пароль, но только на адресе петли
  --printers ФАЙЛ  принтеры сервера (очереди CUPS и принтеры этикеток), на которых
             печатают labels.print и /api/v1/print; задания ждут в хранилище
  --owner-only  сервер для себя: принимать соединения только от процессов
             своего пользователя; без --listen — 127.0.0.1:%3 (порт 20000 +
             uid по модулю 10000)

Пределы (в скобках — по умолчанию):
  --max-values N        значений и полей структур в одном запросе (1000000)
  --max-members N       полей в одной структуре запроса (10000)
  --max-connections N   соединений всего (256)
  --max-per-address N   соединений с одного адреса (16)
  --request-timeout С   секунд на заголовок и тело запроса (20), дальше —
  --min-rate КИБ        не медленнее стольких КиБ в секунду (64)
  --request-memory МИБ  памяти на разбор больших запросов и на рисование сразу (768)
  --render-budget С     секунд работы Ghostscript на одно изображение (30)
  --call-timeout С      секунд на рисование в одном вызове, с ожиданием памяти (120)
  --cache-size МИБ      кэш прочитанных этикеток (64)
</source>
        <translation>Usage: vellumo-server [--listen ADDRESS:PORT] [--store FOLDER|DATABASE] [--users FILE] [LIMITS]
       vellumo-server --store DATABASE --import FOLDER | --export FOLDER
       vellumo-server --hash-password NAME   (the password from standard input)

  --listen   where to take XML-RPC calls (default %1)
  --store    the folder of labels (default %2) or a PostgreSQL database:
             postgresql://USER@HOST/DATABASE or “host=… dbname=…”; the password
             only from PGPASSWORD or ~/.pgpass
  --import   copy the labels of a folder into the database (--store), replacing none
  --export   copy the labels of the database (--store) into a folder, replacing none
  --users    the users file: lines “name:password” or “name:pbkdf2-sha256:…”;
             without it any name and password are taken, but only on a loopback address
  --printers FILE  the server&apos;s printers (CUPS queues and label printers) that
             labels.print and /api/v1/print print on; jobs wait in the store
  --owner-only  a server for oneself: take connections only from processes of
             one&apos;s own user; without --listen, 127.0.0.1:%3 (port 20000 +
             uid modulo 10000)

Limits (defaults in brackets):
  --max-values N        values and struct members in one request (1000000)
  --max-members N       members of one struct of a request (10000)
  --max-connections N   connections in all (256)
  --max-per-address N   connections from one address (16)
  --request-timeout S   seconds for a request&apos;s header and body (20), then
  --min-rate KIB        no slower than so many KiB a second (64)
  --request-memory MIB  memory for parsing large requests and drawing at once (768)
  --render-budget S     seconds of Ghostscript for one image (30)
  --call-timeout S      seconds for drawing in one call, waiting for memory included (120)
  --cache-size MIB      cache of parsed labels (64)
</translation>
    </message>
</context>
</TS>
