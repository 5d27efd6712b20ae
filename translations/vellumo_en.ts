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
        <source>Предпросмотр (F2)</source>
        <translation>Preview (F2)</translation>
    </message>
    <message>
        <source>в элементе нет рисунка</source>
        <translation>the element has no picture</translation>
    </message>
    <message>
        <source>Ghostscript не нарисовал рисунок</source>
        <translation>Ghostscript drew no picture</translation>
    </message>
    <message>
        <source>значение не того типа, какого ждёт программа</source>
        <translation>a value of a type the program does not expect</translation>
    </message>
    <message>
        <source>в документе нет нужного значения</source>
        <translation>the document lacks a value it needs</translation>
    </message>
    <message>
        <source>документ XML-RPC повреждён или составлен не по правилам</source>
        <translation>the XML-RPC document is damaged or malformed</translation>
    </message>
    <message>
        <source>ошибка сети</source>
        <translation>network error</translation>
    </message>
    <message>
        <source>время ожидания истекло</source>
        <translation>timed out</translation>
    </message>
    <message>
        <source>сервер не знает такого метода</source>
        <translation>the server does not know this method</translation>
    </message>
    <message>
        <source>запрос отклонён</source>
        <translation>request refused</translation>
    </message>
    <message>
        <source>документ больше или сложнее допустимого</source>
        <translation>the document is larger or more complex than allowed</translation>
    </message>
    <message>
        <source>текст, который нельзя записать в XML-RPC (символ вне основной плоскости Юникода или неверная кодировка)</source>
        <translation>text that XML-RPC cannot carry (a character outside the Basic Multilingual Plane or a wrong encoding)</translation>
    </message>
    <message>
        <source>не хватило памяти или документ слишком велик</source>
        <translation>out of memory, or the document is too large</translation>
    </message>
    <message>
        <source>ошибка XML-RPC</source>
        <translation>XML-RPC error</translation>
    </message>
    <message>
        <source>значения в документе вложены слишком глубоко</source>
        <translation>values in the document are nested too deeply</translation>
    </message>
    <message>
        <source>документ получился больше, чем может записать библиотека XML-RPC</source>
        <translation>the document came out larger than the XML-RPC library can write</translation>
    </message>
    <message>
        <source>Сервер ответил ошибкой: %s</source>
        <translation>The server answered with an error: %s</translation>
    </message>
    <message>
        <source>Локальный сервер Vellumo</source>
        <translation>Local Vellumo server</translation>
    </message>
    <message>
        <source>Ошибка кодировки документа XML: %s.</source>
        <translation>Encoding error in the XML document: %s.</translation>
    </message>
    <message>
        <source>текст UTF-16 нечётной длины</source>
        <translation>UTF-16 text of odd length</translation>
    </message>
    <message>
        <source>разорванная суррогатная пара UTF-16</source>
        <translation>broken UTF-16 surrogate pair</translation>
    </message>
    <message>
        <source>Документ XML в неизвестной кодировке «%s».</source>
        <translation>XML document in an unknown encoding “%s”.</translation>
    </message>
    <message>
        <source>В документе XML байты, недопустимые в кодировке «%s».</source>
        <translation>The XML document has bytes not valid in the encoding “%s”.</translation>
    </message>
    <message>
        <source>объявленная кодировка не совпадает с байтами документа</source>
        <translation>the declared encoding does not match the document&apos;s bytes</translation>
    </message>
    <message>
        <source>метка порядка байтов UTF-8 в документе другой кодировки</source>
        <translation>a UTF-8 byte order mark in a document of another encoding</translation>
    </message>
    <message>
        <source>Элементы документа XML вложены глубже %d уровней.</source>
        <translation>The XML document&apos;s elements are nested deeper than %d levels.</translation>
    </message>
    <message>
        <source>Символ U+%04X (строка %ld документа) не принимается: символы вне основной плоскости Юникода (эмодзи и подобные) программа не хранит и не передаёт.</source>
        <translation>Character U+%04X (line %ld of the document) is not accepted: the program neither stores nor sends characters outside the Basic Multilingual Plane (emoji and the like).</translation>
    </message>
    <message>
        <source>Документ XML-RPC больше %u МиБ.</source>
        <translation>The XML-RPC document is larger than %u MiB.</translation>
    </message>
    <message>
        <source>Объявления типа документа (&lt;!DOCTYPE&gt;) в документе XML не принимаются.</source>
        <translation>Document type declarations (&lt;!DOCTYPE&gt;) are not accepted in an XML document.</translation>
    </message>
    <message>
        <source>О программе...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>Редактор этикеток ORMIK</source>
        <translation>ORMIK label editor</translation>
    </message>
    <message>
        <source>Версия:</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>Vellumo — редактор этикеток для печати с сервера.</source>
        <translation>Vellumo is a label editor for printing from a server.</translation>
    </message>
    <message>
        <source>Этикетки хранятся в файлах .lbl и на серверах этикеток.</source>
        <translation>Labels are kept in .lbl files and on label servers.</translation>
    </message>
    <message>
        <source>Калибровка принтера

Измерьте линейкой, в миллиметрах:
1. от левого края листа до центра креста;
2. от верхнего края листа до центра креста;
3. длину линии от креста вправо (должна быть 100 мм).

Введите эти числа в окне «Калибровка принтера».
Напечатанный верно лист даёт 20, 20 и 100.</source>
        <translation>Printer calibration

Measure with a ruler, in millimetres:
1. from the left edge of the sheet to the centre of the cross;
2. from the top edge of the sheet to the centre of the cross;
3. the length of the line to the right of the cross (should be 100 mm).

Enter these numbers in the “Printer calibration” window.
A correctly printed sheet gives 20, 20 and 100.</translation>
    </message>
    <message>
        <source>Калибровка принтера</source>
        <translation>Printer calibration</translation>
    </message>
    <message>
        <source>Напечатать страницу калибровки</source>
        <translation>Print the calibration page</translation>
    </message>
    <message>
        <source> мм</source>
        <translation> mm</translation>
    </message>
    <message>
        <source>Напечатайте страницу калибровки и измерьте на ней линейкой:</source>
        <translation>Print the calibration page and measure on it with a ruler:</translation>
    </message>
    <message>
        <source>Принтер:</source>
        <translation>Printer:</translation>
    </message>
    <message>
        <source>От левого края до креста:</source>
        <translation>Left edge to the cross:</translation>
    </message>
    <message>
        <source>От верхнего края до креста:</source>
        <translation>Top edge to the cross:</translation>
    </message>
    <message>
        <source>Длина линии 100 мм:</source>
        <translation>Length of the 100 mm line:</translation>
    </message>
    <message>
        <source>Такие размеры не похожи на измеренные на странице калибровки.</source>
        <translation>These sizes do not look like ones measured on the calibration page.</translation>
    </message>
    <message>
        <source>Поправка печати: %{1:.1f} мм по горизонтали, %{2:.1f} мм по вертикали, масштаб %{3:.1f} %%.</source>
        <translation>Print correction: %{1:.1f} mm horizontally, %{2:.1f} mm vertically, scale %{3:.1f} %%.</translation>
    </message>
    <message>
        <source>Страница калибровки не напечатана на принтере «%1».</source>
        <translation>The calibration page was not printed on the printer “%1”.</translation>
    </message>
    <message>
        <source>Не установлено ни одного принтера: калибровать нечего.</source>
        <translation>No printer is installed: there is nothing to calibrate.</translation>
    </message>
    <message>
        <source>Использование: vellumo [ПАРАМЕТРЫ] [ФАЙЛ.lbl]...

Редактор этикеток Vellumo. Каждый названный файл открывается в своём окне;
без файлов открывается окно с новой этикеткой.

  -h, --help   эта справка
  --version    версия программы
  --           дальше только имена файлов

Принимаются и параметры Qt, например -platform ИМЯ. Редактору нужен дисплей
(переменная DISPLAY или WAYLAND_DISPLAY); справка и версия печатаются и без
него.
</source>
        <translation>Usage: vellumo [OPTIONS] [FILE.lbl]...

The Vellumo label editor. Each file named opens in a window of its own;
with no files a window with a new label opens.

  -h, --help   this help
  --version    the program&apos;s version
  --           only file names follow

Qt&apos;s options are accepted too, for example -platform NAME. The editor needs a display
(the variable DISPLAY or WAYLAND_DISPLAY); help and version are printed without
one.
</translation>
    </message>
    <message>
        <source>vellumo: нет дисплея: не заданы ни DISPLAY, ни WAYLAND_DISPLAY. Редактор работает только
в графическом сеансе; этикетки из командной строки выводит vellumo-render.
</source>
        <translation>vellumo: no display: neither DISPLAY nor WAYLAND_DISPLAY is set. The editor only works
in a graphical session; vellumo-render outputs labels from the command line.
</translation>
    </message>
    <message>
        <source>(пусто)</source>
        <translation>(empty)</translation>
    </message>
    <message>
        <source>Повернуть</source>
        <translation>Rotate</translation>
    </message>
    <message>
        <source>Поднять</source>
        <translation>Raise</translation>
    </message>
    <message>
        <source>Опустить</source>
        <translation>Lower</translation>
    </message>
    <message>
        <source>Выровнять по ведущему элементу</source>
        <translation>Align to the Leading Element</translation>
    </message>
    <message>
        <source>Принтер этикеток: </source>
        <translation>Label printer: </translation>
    </message>
    <message>
        <source>Пробная этикетка</source>
        <translation>Test label</translation>
    </message>
    <message>
        <source>Принтер этикеток «%1» не отвечает, ничего не напечатано: %2</source>
        <translation>The label printer “%1” does not answer, nothing was printed: %2</translation>
    </message>
    <message>
        <source>Новый принтер этикеток</source>
        <translation>New label printer</translation>
    </message>
    <message>
        <source>Принтер этикеток</source>
        <translation>Label printer</translation>
    </message>
    <message>
        <source>Имя:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Язык:</source>
        <translation>Language:</translation>
    </message>
    <message>
        <source>Разрешение:</source>
        <translation>Resolution:</translation>
    </message>
    <message>
        <source>socket://АДРЕС[:ПОРТ] или /dev/usb/lp0</source>
        <translation>socket://ADDRESS[:PORT] or /dev/usb/lp0</translation>
    </message>
    <message>
        <source>Сетевой принтер: socket://АДРЕС[:ПОРТ], порт 9100 по умолчанию; принтер USB: путь к устройству, например /dev/usb/lp0</source>
        <translation>Network printer: socket://ADDRESS[:PORT], port 9100 by default; USB printer: the device path, for example /dev/usb/lp0</translation>
    </message>
    <message>
        <source>Подключение:</source>
        <translation>Connection:</translation>
    </message>
    <message>
        <source>не известна</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>Ширина головки, мм:</source>
        <translation>Head width, mm:</translation>
    </message>
    <message>
        <source>как настроен принтер</source>
        <translation>printer default</translation>
    </message>
    <message>
        <source>ZPL II: от 0 до 30; TSPL и EPL2: от 0 до 15</source>
        <translation>ZPL II: 0 to 30; TSPL and EPL2: 0 to 15</translation>
    </message>
    <message>
        <source>Плотность:</source>
        <translation>Darkness:</translation>
    </message>
    <message>
        <source> дюйм/с</source>
        <translation> in/s</translation>
    </message>
    <message>
        <source>Скорость:</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>Зазор</source>
        <translation>Gap</translation>
    </message>
    <message>
        <source>Чёрная метка</source>
        <translation>Black mark</translation>
    </message>
    <message>
        <source>Непрерывная</source>
        <translation>Continuous</translation>
    </message>
    <message>
        <source>Носитель:</source>
        <translation>Media:</translation>
    </message>
    <message>
        <source>Зазор, мм:</source>
        <translation>Gap, mm:</translation>
    </message>
    <message>
        <source>Смещение X, мм:</source>
        <translation>Offset X, mm:</translation>
    </message>
    <message>
        <source>Смещение Y, мм:</source>
        <translation>Offset Y, mm:</translation>
    </message>
    <message>
        <source>Принтеры этикеток</source>
        <translation>Label printers</translation>
    </message>
    <message>
        <source>Добавить...</source>
        <translation>Add...</translation>
    </message>
    <message>
        <source>Изменить...</source>
        <translation>Edit...</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Пробная печать</source>
        <translation>Test print</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Пробная этикетка не напечатана: %1</source>
        <translation>The test label was not printed: %1</translation>
    </message>
    <message>
        <source>Свойства этикетки</source>
        <translation>Label properties</translation>
    </message>
    <message>
        <source>Ширина</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>Высота</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>Цвет</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>Имя</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Описание</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Лист</source>
        <translation>Sheet</translation>
    </message>
    <message>
        <source>Выбрать...</source>
        <translation>Choose...</translation>
    </message>
    <message>
        <source>Нет</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Каждая этикетка на своей странице</source>
        <translation>Each label on a page of its own</translation>
    </message>
    <message>
        <source>Нет (этикетка на своей странице)</source>
        <translation>None (the label on a page of its own)</translation>
    </message>
    <message>
        <source>%1 (%2 шт.)</source>
        <translation>%1 (%2 labels)</translation>
    </message>
    <message>
        <source>Элемент</source>
        <translation>Element</translation>
    </message>
    <message>
        <source>Выше</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>Ниже</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>&amp;Файл</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>Созд&amp;ать</source>
        <translation>&amp;New</translation>
    </message>
    <message>
        <source>&amp;Открыть...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>&amp;Недавние</source>
        <translation>&amp;Recent</translation>
    </message>
    <message>
        <source>&amp;Сохранить</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>Сохранить &amp;как...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>Пе&amp;чать...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>Печать с данн&amp;ыми...</source>
        <translation>Print with &amp;Data...</translation>
    </message>
    <message>
        <source>Экспо&amp;рт...</source>
        <translation>&amp;Export...</translation>
    </message>
    <message>
        <source>Экспорт с &amp;данными...</source>
        <translation>E&amp;xport with Data...</translation>
    </message>
    <message>
        <source>Свойства &amp;этикетки...</source>
        <translation>&amp;Label Properties...</translation>
    </message>
    <message>
        <source>Нас&amp;тройка...</source>
        <translation>Se&amp;ttings...</translation>
    </message>
    <message>
        <source>С&amp;писок серверов...</source>
        <translation>Ser&amp;ver List...</translation>
    </message>
    <message>
        <source>&amp;Закрыть</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>&amp;Правка</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>&amp;Отменить</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>&amp;Повторить</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>&amp;Вырезать</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>&amp;Копировать</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>Вст&amp;авить</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>&amp;Удалить</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>Выделить всё</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>О&amp;тключить элементы</source>
        <translation>Disa&amp;ble Elements</translation>
    </message>
    <message>
        <source>Вк&amp;лючить элементы</source>
        <translation>E&amp;nable Elements</translation>
    </message>
    <message>
        <source>0 градусов</source>
        <translation>0 degrees</translation>
    </message>
    <message>
        <source>90 градусов</source>
        <translation>90 degrees</translation>
    </message>
    <message>
        <source>180 градусов</source>
        <translation>180 degrees</translation>
    </message>
    <message>
        <source>270 градусов</source>
        <translation>270 degrees</translation>
    </message>
    <message>
        <source>Ctrl+Вверх</source>
        <translation>Ctrl+Up</translation>
    </message>
    <message>
        <source>На самый верх</source>
        <translation>To the Top</translation>
    </message>
    <message>
        <source>Ctrl+Вниз</source>
        <translation>Ctrl+Down</translation>
    </message>
    <message>
        <source>На самый низ</source>
        <translation>To the Bottom</translation>
    </message>
    <message>
        <source>По горизонтали по правому краю</source>
        <translation>Horizontally to the Right Edge</translation>
    </message>
    <message>
        <source>По горизонтали по левому краю</source>
        <translation>Horizontally to the Left Edge</translation>
    </message>
    <message>
        <source>По горизонтали по центру</source>
        <translation>Horizontally to the Centre</translation>
    </message>
    <message>
        <source>По вертикали по верху</source>
        <translation>Vertically to the Top</translation>
    </message>
    <message>
        <source>По вертикали по низу</source>
        <translation>Vertically to the Bottom</translation>
    </message>
    <message>
        <source>По вертикали по центру</source>
        <translation>Vertically to the Centre</translation>
    </message>
    <message>
        <source>Сделать как у ведущего элемента</source>
        <translation>Match the Leading Element</translation>
    </message>
    <message>
        <source>Ширину</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>Высоту</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>Ширину и высоту</source>
        <translation>Width and Height</translation>
    </message>
    <message>
        <source>Расположить на одинаковом расстоянии</source>
        <translation>Space Evenly</translation>
    </message>
    <message>
        <source>По горизонтали</source>
        <translation>Horizontally</translation>
    </message>
    <message>
        <source>По вертикали</source>
        <translation>Vertically</translation>
    </message>
    <message>
        <source>&amp;Вид</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>&amp;Приблизить</source>
        <translation>Zoom &amp;In</translation>
    </message>
    <message>
        <source>&amp;Отдалить</source>
        <translation>Zoom &amp;Out</translation>
    </message>
    <message>
        <source>По &amp;размеру окна</source>
        <translation>&amp;Fit to Window</translation>
    </message>
    <message>
        <source>Масштаб</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Сетка &amp;10 пт</source>
        <translation>Grid &amp;10 pt</translation>
    </message>
    <message>
        <source>Сетка &amp;20 пт</source>
        <translation>Grid &amp;20 pt</translation>
    </message>
    <message>
        <source>Сетка &amp;40 пт</source>
        <translation>Grid &amp;40 pt</translation>
    </message>
    <message>
        <source>Показывать &amp;содержимое</source>
        <translation>Show &amp;Contents</translation>
    </message>
    <message>
        <source>&amp;Убрать направляющие</source>
        <translation>&amp;Remove Guides</translation>
    </message>
    <message>
        <source>&amp;Справка</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Руководство on-line</source>
        <translation>Online &amp;Manual</translation>
    </message>
    <message>
        <source>&amp;О программе....</source>
        <translation>&amp;About...</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Сохранить как</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source> Файл </source>
        <translation> File </translation>
    </message>
    <message>
        <source> Сеть </source>
        <translation> Network </translation>
    </message>
    <message>
        <source>Этикетки (*.LBL *.lbl)</source>
        <translation>Labels (*.LBL *.lbl)</translation>
    </message>
    <message>
        <source>Все файлы (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>Этикетка:  </source>
        <translation>Label:  </translation>
    </message>
    <message>
        <source>Укажите сервер и имя этикетки</source>
        <translation>Give the server and the label&apos;s name</translation>
    </message>
    <message>
        <source>Переименовать...</source>
        <translation>Rename...</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source> Внешний вид </source>
        <translation> Appearance </translation>
    </message>
    <message>
        <source> Общие настройки </source>
        <translation> General </translation>
    </message>
    <message>
        <source>Спрашивать подтверждение удаления элемента</source>
        <translation>Ask before deleting an element</translation>
    </message>
    <message>
        <source> Печать </source>
        <translation> Printing </translation>
    </message>
    <message>
        <source>Калибровка принтера...</source>
        <translation>Printer calibration...</translation>
    </message>
    <message>
        <source>Принтеры этикеток...</source>
        <translation>Label printers...</translation>
    </message>
    <message>
        <source>Изображение</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>Журнал обработки</source>
        <translation>Processing log</translation>
    </message>
    <message>
        <source>Редактирование (F2)</source>
        <translation>Editing (F2)</translation>
    </message>
    <message>
        <source> Переменные </source>
        <translation> Variables </translation>
    </message>
    <message>
        <source> Размер изображения </source>
        <translation> Picture size </translation>
    </message>
    <message>
        <source>Значение</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>Значение:</source>
        <translation>Value:</translation>
    </message>
    <message>
        <source>Запомнить</source>
        <translation>Remember</translation>
    </message>
    <message>
        <source>Небольшой</source>
        <translation>Small</translation>
    </message>
    <message>
        <source>Средний</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>Большой</source>
        <translation>Large</translation>
    </message>
    <message>
        <source>Разметка</source>
        <translation>Markup</translation>
    </message>
    <message>
        <source>Просмотр</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Не всё нарисовано:</source>
        <translation>Not everything was drawn:</translation>
    </message>
    <message>
        <source>этикетка</source>
        <translation>label</translation>
    </message>
    <message>
        <source>Параметры PNG</source>
        <translation>PNG options</translation>
    </message>
    <message>
        <source> точек на дюйм</source>
        <translation> dots per inch</translation>
    </message>
    <message>
        <source>Прозрачный фон</source>
        <translation>Transparent background</translation>
    </message>
    <message>
        <source>Экспорт с данными</source>
        <translation>Export with data</translation>
    </message>
    <message>
        <source>Экспорт этикетки</source>
        <translation>Export the label</translation>
    </message>
    <message>
        <source>Неизвестный формат файла «%1»: выберите %2.</source>
        <translation>Unknown file format “%1”: choose %2.</translation>
    </message>
    <message>
        <source>Печать с данными</source>
        <translation>Print with data</translation>
    </message>
    <message>
        <source>Таблица:</source>
        <translation>Table:</translation>
    </message>
    <message>
        <source>Лист:</source>
        <translation>Sheet:</translation>
    </message>
    <message>
        <source>определить по заголовку</source>
        <translation>from the header</translation>
    </message>
    <message>
        <source>точка с запятой ( ; )</source>
        <translation>semicolon ( ; )</translation>
    </message>
    <message>
        <source>запятая ( , )</source>
        <translation>comma ( , )</translation>
    </message>
    <message>
        <source>табуляция</source>
        <translation>tab</translation>
    </message>
    <message>
        <source>Разделитель:</source>
        <translation>Separator:</translation>
    </message>
    <message>
        <source>определить по содержимому</source>
        <translation>from the contents</translation>
    </message>
    <message>
        <source>Кодировка:</source>
        <translation>Encoding:</translation>
    </message>
    <message>
        <source>Столбцы:</source>
        <translation>Columns:</translation>
    </message>
    <message>
        <source>Строк:</source>
        <translation>Rows:</translation>
    </message>
    <message>
        <source>Без столбца:</source>
        <translation>Missing column:</translation>
    </message>
    <message>
        <source>Столбец с числом копий каждой строки (целое от 0 до 10000; 0 - строка не печатается)</source>
        <translation>The column with the number of copies of each row (a whole number from 0 to 10000; 0: the row is not printed)</translation>
    </message>
    <message>
        <source>Копии из столбца:</source>
        <translation>Copies from column:</translation>
    </message>
    <message>
        <source>Копий каждой этикетки:</source>
        <translation>Copies of each label:</translation>
    </message>
    <message>
        <source>Печать...</source>
        <translation>Print...</translation>
    </message>
    <message>
        <source>Экспорт...</source>
        <translation>Export...</translation>
    </message>
    <message>
        <source>Копий каждой этикетки</source>
        <translation>Copies of each label</translation>
    </message>
    <message>
        <source>нет</source>
        <translation>none</translation>
    </message>
    <message>
        <source> - из переменных просмотра, иначе пусто</source>
        <translation> - from the preview&apos;s variables, otherwise empty</translation>
    </message>
    <message>
        <source>Печать</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Этикеток: %1, листов: %2</source>
        <translation>Labels: %1, sheets: %2</translation>
    </message>
    <message>
        <source>Этикетки рисуются...</source>
        <translation>Drawing the labels...</translation>
    </message>
    <message>
        <source>Этикетка %1 из %2</source>
        <translation>Label %1 of %2</translation>
    </message>
    <message>
        <source>Печать остановлена, но этикеток отправлено на принтер: %1.</source>
        <translation>Printing stopped, but labels already sent to the printer: %1.</translation>
    </message>
    <message>
        <source>Напечатано, но не всё так, как задумано:</source>
        <translation>Printed, but not everything as intended:</translation>
    </message>
    <message>
        <source>Печать на листе</source>
        <translation>Print on a sheet</translation>
    </message>
    <message>
        <source>Экспорт на листе</source>
        <translation>Export on a sheet</translation>
    </message>
    <message>
        <source>Копий</source>
        <translation>Copies</translation>
    </message>
    <message>
        <source>Таблица данных</source>
        <translation>Table of data</translation>
    </message>
    <message>
        <source>Таблицы CSV, Excel и OpenDocument</source>
        <translation>CSV, Excel and OpenDocument tables</translation>
    </message>
    <message>
        <source>Все файлы</source>
        <translation>All files</translation>
    </message>
    <message>
        <source>Системный принтер (выбор в следующем окне)</source>
        <translation>System printer (chosen in the next window)</translation>
    </message>
    <message>
        <source>Копии делает принтер этикеток; системный принтер спросит их сам</source>
        <translation>The label printer makes the copies; the system printer asks for them itself</translation>
    </message>
    <message>
        <source>Копий:</source>
        <translation>Copies:</translation>
    </message>
    <message>
        <source>Описание:</source>
        <translation>Description:</translation>
    </message>
    <message>
        <source>Квадрант:</source>
        <translation>Quadrant:</translation>
    </message>
    <message>
        <source>Угол:</source>
        <translation>Angle:</translation>
    </message>
    <message>
        <source>Ширина:</source>
        <translation>Width:</translation>
    </message>
    <message>
        <source>Высота:</source>
        <translation>Height:</translation>
    </message>
    <message>
        <source>Текст:</source>
        <translation>Text:</translation>
    </message>
    <message>
        <source>Шрифт:</source>
        <translation>Font:</translation>
    </message>
    <message>
        <source>Размер:</source>
        <translation>Size:</translation>
    </message>
    <message>
        <source>Выравнивание:</source>
        <translation>Alignment:</translation>
    </message>
    <message>
        <source>Цвет:</source>
        <translation>Colour:</translation>
    </message>
    <message>
        <source>Стиль:</source>
        <translation>Style:</translation>
    </message>
    <message>
        <source>Толщина:</source>
        <translation>Thickness:</translation>
    </message>
    <message>
        <source>Изображение:</source>
        <translation>Picture:</translation>
    </message>
    <message>
        <source>Файл из данных:</source>
        <translation>File from data:</translation>
    </message>
    <message>
        <source>Код:</source>
        <translation>Code:</translation>
    </message>
    <message>
        <source>Вид:</source>
        <translation>Kind:</translation>
    </message>
    <message>
        <source>Подпечатка:</source>
        <translation>Human-readable:</translation>
    </message>
    <message>
        <source>Перенос слов:</source>
        <translation>Word wrap:</translation>
    </message>
    <message>
        <source>Уменьшать до:</source>
        <translation>Shrink to:</translation>
    </message>
    <message>
        <source>Нет выбранных элементов.</source>
        <translation>No elements selected.</translation>
    </message>
    <message>
        <source>(указать)</source>
        <translation>(choose)</translation>
    </message>
    <message>
        <source>Выбрано несколько элементов.</source>
        <translation>Several elements selected.</translation>
    </message>
    <message>
        <source>Поменять</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>Указать</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>Имя файла со столбцом таблицы, например ${логотип}: на каждой строке рисунок из файла, названного в ней (от папки таблицы). Пусто: всегда рисунок элемента.</source>
        <translation>A file name with a table column, for example ${logo}: each row draws the picture of the file it names (from the table&apos;s folder). Empty: always the element&apos;s picture.</translation>
    </message>
    <message>
        <source>по тексту</source>
        <translation>to the text</translation>
    </message>
    <message>
        <source>по высоте шрифта</source>
        <translation>to the font height</translation>
    </message>
    <message>
        <source>пропорционально</source>
        <translation>proportional</translation>
    </message>
    <message>
        <source>Esc — вернуться к холсту</source>
        <translation>Esc — back to the canvas</translation>
    </message>
    <message>
        <source>Вставить разделитель GS	Ctrl+]</source>
        <translation>Insert the GS separator	Ctrl+]</translation>
    </message>
    <message>
        <source>Переименование этикетки</source>
        <translation>Rename the label</translation>
    </message>
    <message>
        <source>Новое имя:</source>
        <translation>New name:</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Авторизация</source>
        <translation>Sign in</translation>
    </message>
    <message>
        <source>Сервер:</source>
        <translation>Server:</translation>
    </message>
    <message>
        <source>Пароль:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>Сервер</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>Информация о сервере</source>
        <translation>Server information</translation>
    </message>
    <message>
        <source>Адрес:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>Название:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Возможности:</source>
        <translation>Features:</translation>
    </message>
    <message>
        <source>Список серверов</source>
        <translation>Server list</translation>
    </message>
    <message>
        <source>Укажите адреса серверов, использующихся для взаимодействия с этой программой.</source>
        <translation>Give the addresses of the servers this program works with.</translation>
    </message>
    <message>
        <source>&amp;Добавить...</source>
        <translation>&amp;Add...</translation>
    </message>
    <message>
        <source>&amp;Изменить...</source>
        <translation>&amp;Edit...</translation>
    </message>
    <message>
        <source>Получить список шрифтов</source>
        <translation>Get the font list</translation>
    </message>
    <message>
        <source>Проверить</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>Забыть пароль</source>
        <translation>Forget the password</translation>
    </message>
    <message>
        <source>Не найдена папка настроек для своих листов.</source>
        <translation>The settings folder for your own sheets was not found.</translation>
    </message>
    <message>
        <source>Свой размер</source>
        <translation>Custom size</translation>
    </message>
    <message>
        <source>Выбор листа</source>
        <translation>Choose a sheet</translation>
    </message>
    <message>
        <source>производитель, номер, описание или размер (70x37)</source>
        <translation>maker, part number, description or size (70x37)</translation>
    </message>
    <message>
        <source>Бумага</source>
        <translation>Paper</translation>
    </message>
    <message>
        <source>Этикетка</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>Штук</source>
        <translation>Labels</translation>
    </message>
    <message>
        <source>Не прочитано файлов шаблонов: %1</source>
        <translation>Template files not read: %1</translation>
    </message>
    <message>
        <source>Создать...</source>
        <translation>Create...</translation>
    </message>
    <message>
        <source>Свои листы:</source>
        <translation>My sheets:</translation>
    </message>
    <message>
        <source>Найти:</source>
        <translation>Find:</translation>
    </message>
    <message>
        <source>Свой лист</source>
        <translation>My sheet</translation>
    </message>
    <message>
        <source>Свои листы не прочитаны: %1</source>
        <translation>Your own sheets were not read: %1</translation>
    </message>
    <message>
        <source>Свои листы не сохранены: %1</source>
        <translation>Your own sheets were not saved: %1</translation>
    </message>
    <message>
        <source>Удалить свой лист «%1»?</source>
        <translation>Delete your sheet “%1”?</translation>
    </message>
    <message>
        <source>Новый лист</source>
        <translation>New sheet</translation>
    </message>
    <message>
        <source>Производитель:</source>
        <translation>Maker:</translation>
    </message>
    <message>
        <source>Бумага:</source>
        <translation>Paper:</translation>
    </message>
    <message>
        <source>Размер бумаги:</source>
        <translation>Paper size:</translation>
    </message>
    <message>
        <source>Этикетка (ширина × высота):</source>
        <translation>Label (width × height):</translation>
    </message>
    <message>
        <source>Столбцов × строк:</source>
        <translation>Columns × rows:</translation>
    </message>
    <message>
        <source>Отступ слева × сверху:</source>
        <translation>Margin left × top:</translation>
    </message>
    <message>
        <source>Промежуток по горизонтали × вертикали:</source>
        <translation>Gap horizontal × vertical:</translation>
    </message>
    <message>
        <source>Радиус углов:</source>
        <translation>Corner radius:</translation>
    </message>
    <message>
        <source>Введите название листа.</source>
        <translation>Enter the sheet&apos;s name.</translation>
    </message>
    <message>
        <source>Радиус углов больше половины стороны этикетки.</source>
        <translation>The corner radius is more than half a side of the label.</translation>
    </message>
    <message>
        <source>Контуры этикеток</source>
        <translation>Label outlines</translation>
    </message>
    <message>
        <source>Метки обрезки</source>
        <translation>Crop marks</translation>
    </message>
    <message>
        <source>Начать с этикетки %1 (щёлкните по ней на листе)</source>
        <translation>Start with label %1 (click it on the sheet)</translation>
    </message>
    <message>
        <source>Новая этикетка</source>
        <translation>New label</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Отменить</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>Повторить</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>Сепаратор</source>
        <translation>Separator</translation>
    </message>
    <message>
        <source>Обычный режим (Ctrl+R)</source>
        <translation>Normal mode (Ctrl+R)</translation>
    </message>
    <message>
        <source>Создать текстовый элемент (Ctrl+D)</source>
        <translation>Create a text element (Ctrl+D)</translation>
    </message>
    <message>
        <source>Создать рамку (Ctrl+F)</source>
        <translation>Create a frame (Ctrl+F)</translation>
    </message>
    <message>
        <source>Создать штрих-код (Ctrl+G)</source>
        <translation>Create a barcode (Ctrl+G)</translation>
    </message>
    <message>
        <source>Создать изображение (Ctrl+H)</source>
        <translation>Create a picture (Ctrl+H)</translation>
    </message>
    <message>
        <source>Удалить выделенные элементы</source>
        <translation>Delete the selected elements</translation>
    </message>
    <message>
        <source>Выровнять по горизонтали по левому краю</source>
        <translation>Align horizontally to the left edge</translation>
    </message>
    <message>
        <source>Выровнять по горизонтали по центру</source>
        <translation>Align horizontally to the centre</translation>
    </message>
    <message>
        <source>Выровнять по горизонтали по правому краю</source>
        <translation>Align horizontally to the right edge</translation>
    </message>
    <message>
        <source>Выровнять по вертикали по верху</source>
        <translation>Align vertically to the top</translation>
    </message>
    <message>
        <source>Выровнять по вертикали по центру</source>
        <translation>Align vertically to the centre</translation>
    </message>
    <message>
        <source>Выровнять по вертикали по низу</source>
        <translation>Align vertically to the bottom</translation>
    </message>
    <message>
        <source>Сделать ширину как у ведущего элемента</source>
        <translation>Make the width that of the leading element</translation>
    </message>
    <message>
        <source>Сделать высоту как у ведущего элемента</source>
        <translation>Make the height that of the leading element</translation>
    </message>
    <message>
        <source>Распределить равномерно по горизонтали</source>
        <translation>Distribute evenly horizontally</translation>
    </message>
    <message>
        <source>Распределить равномерно по вертикали</source>
        <translation>Distribute evenly vertically</translation>
    </message>
    <message>
        <source>Справка по программе</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Новый элемент</source>
        <translation>New element</translation>
    </message>
    <message>
        <source>Размер этикетки %{1:.10g} × %{2:.10g} пт вне допустимого (допускается больше 0 и не больше %3 пт)</source>
        <translation>Label size %{1:.10g} × %{2:.10g} pt out of range (above 0 and at most %3 pt allowed)</translation>
    </message>
    <message>
        <source>Элемент %1 «%2»: </source>
        <translation>Element %1 “%2”: </translation>
    </message>
    <message>
        <source>размер</source>
        <translation>size</translation>
    </message>
    <message>
        <source>%{1:.10g} × %{2:.10g} пт</source>
        <translation>%{1:.10g} × %{2:.10g} pt</translation>
    </message>
    <message>
        <source>точка крепления</source>
        <translation>anchor point</translation>
    </message>
    <message>
        <source>размер шрифта</source>
        <translation>font size</translation>
    </message>
    <message>
        <source>%{1:.10g} пт</source>
        <translation>%{1:.10g} pt</translation>
    </message>
    <message>
        <source>толщина линии</source>
        <translation>line thickness</translation>
    </message>
    <message>
        <source>%1 %2 вне допустимого (допускается не больше %3 пт)</source>
        <translation>%1 %2 out of range (at most %3 pt allowed)</translation>
    </message>
    <message>
        <source>нет данных</source>
        <translation>no data</translation>
    </message>
    <message>
        <source>в позиции %1 нет идентификатора применения (ожидались цифры известного идентификатора)</source>
        <translation>no Application Identifier at position %1 (the digits of a known identifier were expected)</translation>
    </message>
    <message>
        <source>идентификатор применения в позиции %1 оборван</source>
        <translation>the Application Identifier at position %1 is cut short</translation>
    </message>
    <message>
        <source>в поле (%1) должно быть %2 знаков</source>
        <translation>the field (%1) must have %2 characters</translation>
    </message>
    <message>
        <source>поле (%1) пустое</source>
        <translation>the field (%1) is empty</translation>
    </message>
    <message>
        <source>в поле (%1) недопустимый знак (код %2) в позиции %3</source>
        <translation>the field (%1) has a character not allowed (code %2) at position %3</translation>
    </message>
    <message>
        <source>Подключение: socket://АДРЕС[:ПОРТ] (сетевой принтер, порт 9100 по умолчанию) или путь к устройству (/dev/usb/lp0).</source>
        <translation>Connection: socket://ADDRESS[:PORT] (a network printer, port 9100 by default) or a device path (/dev/usb/lp0).</translation>
    </message>
    <message>
        <source>Порт принтера - число от 1 до 65535.</source>
        <translation>The printer&apos;s port is a number from 1 to 65535.</translation>
    </message>
    <message>
        <source>Укажите имя принтера.</source>
        <translation>Give the printer&apos;s name.</translation>
    </message>
    <message>
        <source>Имя принтера длиннее %1 знаков.</source>
        <translation>The printer&apos;s name is longer than %1 characters.</translation>
    </message>
    <message>
        <source>В имени принтера не может быть табуляций и переводов строки.</source>
        <translation>A printer&apos;s name cannot hold tabs or line breaks.</translation>
    </message>
    <message>
        <source>Разрешение принтера - от %1 до %2 точек на дюйм.</source>
        <translation>The printer&apos;s resolution is %1 to %2 dots per inch.</translation>
    </message>
    <message>
        <source>Ширина головки - от 0 (не известна) до %1 мм.</source>
        <translation>The head width is 0 (unknown) to %1 mm.</translation>
    </message>
    <message>
        <source>Плотность - от 0 до %1 (или -1: как настроен принтер).</source>
        <translation>Darkness is 0 to %1 (or -1: as the printer is set).</translation>
    </message>
    <message>
        <source>Скорость - от 0 (как настроен принтер) до %1 дюймов в секунду.</source>
        <translation>Speed is 0 (as the printer is set) to %1 inches per second.</translation>
    </message>
    <message>
        <source>Зазор между этикетками - от 0 до %1 мм.</source>
        <translation>The gap between labels is 0 to %1 mm.</translation>
    </message>
    <message>
        <source>Смещение - от -%1 до %1 мм.</source>
        <translation>The offset is -%1 to %1 mm.</translation>
    </message>
    <message>
        <source>Vellumo: критическая ошибка!</source>
        <translation>Vellumo: fatal error!</translation>
    </message>
    <message>
        <source>Vellumo: ошибка!</source>
        <translation>Vellumo: error!</translation>
    </message>
    <message>
        <source>%1 | ошибка XMLRPC %2</source>
        <translation>%1 | XMLRPC error %2</translation>
    </message>
    <message>
        <source>%1 | ошибка XMLRPC %2 при обращении к серверу</source>
        <translation>%1 | XMLRPC error %2 calling the server</translation>
    </message>
    <message>
        <source>Внимание! Произошла критическая ошибка. Во избежание дальнейшей потери данных работа программы будет немедленно остановлена.

Результат выражения %1 равен нулю.
Ошибка в файле %2, строка %3.
Ошибка ОС: %4
Версия программы %5

Запишите эту информацию и обратитесь к разработчикам или техническому персоналу.

</source>
        <translation>Attention! A fatal error has occurred. To avoid further loss of data the program will stop at once.

The expression %1 is zero.
Error in file %2, line %3.
System error: %4
Program version %5

Write this information down and contact the developers or your support staff.

</translation>
    </message>
    <message>
        <source>Укажите файл изображения</source>
        <translation>Choose a picture file</translation>
    </message>
    <message>
        <source>Изображения</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>Изображение «%1» не вставлено: %2.</source>
        <translation>The picture “%1” was not inserted: %2.</translation>
    </message>
    <message>
        <source>Ошибка загрузки файла изображения &apos;%1&apos;!</source>
        <translation>Error loading the picture file &apos;%1&apos;!</translation>
    </message>
    <message>
        <source>Ошибка создания стандартного диалогового окна, код %1</source>
        <translation>Error creating a standard dialog, code %1</translation>
    </message>
    <message>
        <source>Ширина этикетки не может быть больше %1 пунктов!</source>
        <translation>The label&apos;s width cannot be more than %1 points!</translation>
    </message>
    <message>
        <source>Высота этикетки не может быть больше %1 пунктов!</source>
        <translation>The label&apos;s height cannot be more than %1 points!</translation>
    </message>
    <message>
        <source>Ширина элемента не может быть больше %1 пунктов!</source>
        <translation>The element&apos;s width cannot be more than %1 points!</translation>
    </message>
    <message>
        <source>Высота элемента не может быть больше %1 пунктов!</source>
        <translation>The element&apos;s height cannot be more than %1 points!</translation>
    </message>
    <message>
        <source>Точка крепления не может быть дальше %1 пунктов от края этикетки!</source>
        <translation>The anchor point cannot be more than %1 points from the label&apos;s edge!</translation>
    </message>
    <message>
        <source>Размер шрифта не может быть больше %1 пунктов</source>
        <translation>The font size cannot be more than %1 points</translation>
    </message>
    <message>
        <source>Толщина не может быть больше %1 пунктов</source>
        <translation>The thickness cannot be more than %1 points</translation>
    </message>
    <message>
        <source>Ширина элемента должна быть числом!</source>
        <translation>The element&apos;s width must be a number!</translation>
    </message>
    <message>
        <source>Высота элемента должна быть числом!</source>
        <translation>The element&apos;s height must be a number!</translation>
    </message>
    <message>
        <source>Размер шрифта должен быть числом</source>
        <translation>The font size must be a number</translation>
    </message>
    <message>
        <source>Наименьший размер шрифта должен быть числом</source>
        <translation>The smallest font size must be a number</translation>
    </message>
    <message>
        <source>Толщина должна быть числом</source>
        <translation>The thickness must be a number</translation>
    </message>
    <message>
        <source>Угол поворота должен быть числом (в градусах)!</source>
        <translation>The rotation angle must be a number (in degrees)!</translation>
    </message>
    <message>
        <source>Папка «%1» не существует.
Проверьте путь к файлу.</source>
        <translation>The folder “%1” does not exist.
Check the file&apos;s path.</translation>
    </message>
    <message>
        <source>Сохранить изменения в этикетке?</source>
        <translation>Save the changes to the label?</translation>
    </message>
    <message>
        <source>Вы действительно хотите удалить эти элементы?</source>
        <translation>Do you really want to delete these elements?</translation>
    </message>
    <message>
        <source>Удалить эту этикетку?</source>
        <translation>Delete this label?</translation>
    </message>
    <message>
        <source>Этикетка «%1» уже существует на сервере %2.
Заменить её?</source>
        <translation>The label “%1” already exists on the server %2.
Replace it?</translation>
    </message>
    <message>
        <source>Указана неправильная ширина!</source>
        <translation>The width given is wrong!</translation>
    </message>
    <message>
        <source>Указана неправильная высота!</source>
        <translation>The height given is wrong!</translation>
    </message>
    <message>
        <source>Некоторые элементы будут лежат за пределами этикетки, что недопустимо.
Сдвинуть элементы?</source>
        <translation>Some elements would lie outside the label, which is not allowed.
Move the elements?</translation>
    </message>
    <message>
        <source>Описание не может быть пустым</source>
        <translation>The description cannot be empty</translation>
    </message>
    <message>
        <source>Точка крепления должна быть в границах этикетки</source>
        <translation>The anchor point must be within the label</translation>
    </message>
    <message>
        <source>Ширина элемента не может быть отрицательной!</source>
        <translation>The element&apos;s width cannot be negative!</translation>
    </message>
    <message>
        <source>Высота элемента не может быть отрицательной!</source>
        <translation>The element&apos;s height cannot be negative!</translation>
    </message>
    <message>
        <source>Размер шрифта не может быть отрицательным</source>
        <translation>The font size cannot be negative</translation>
    </message>
    <message>
        <source>Наименьший размер шрифта не может быть отрицательным</source>
        <translation>The smallest font size cannot be negative</translation>
    </message>
    <message>
        <source>Толщина не может быть отрицательной</source>
        <translation>The thickness cannot be negative</translation>
    </message>
    <message>
        <source>Этот символ (U+%{1:04X}) нельзя сохранить в этикетке.</source>
        <translation>This character (U+%{1:04X}) cannot be stored in a label.</translation>
    </message>
    <message>
        <source>Сетевая операция отменена пользователем.</source>
        <translation>The network operation was cancelled by the user.</translation>
    </message>
    <message>
        <source>Сервер не ответил на подключение за %d с.</source>
        <translation>The server did not accept the connection within %d s.</translation>
    </message>
    <message>
        <source>Сервер не ответил за %d с: обращение прервано.</source>
        <translation>The server did not answer within %d s: the call was abandoned.</translation>
    </message>
    <message>
        <source>Другая сетевая операция ещё не завершена.</source>
        <translation>Another network operation is still under way.</translation>
    </message>
    <message>
        <source>Сервер не принимает подключения: он не запущен или указан не тот адрес или порт.</source>
        <translation>The server does not accept connections: it is not running, or the address or port is wrong.</translation>
    </message>
    <message>
        <source>Сервер с таким именем не найден: проверьте адрес.</source>
        <translation>No server of that name was found: check the address.</translation>
    </message>
    <message>
        <source>Сервер не ответил вовремя.</source>
        <translation>The server did not answer in time.</translation>
    </message>
    <message>
        <source>Не удалось установить защищённое соединение (TLS) с сервером.</source>
        <translation>Could not set up a secure connection (TLS) with the server.</translation>
    </message>
    <message>
        <source>Сервер ответил кодом HTTP %ld вместо ответа на вызов.</source>
        <translation>The server answered with HTTP code %ld instead of an answer to the call.</translation>
    </message>
    <message>
        <source>Соединение с сервером прервалось до конца ответа.</source>
        <translation>The connection to the server broke before the end of the answer.</translation>
    </message>
    <message>
        <source>Ошибка сети при обращении к серверу.</source>
        <translation>Network error calling the server.</translation>
    </message>
    <message>
        <source>Файла «%1» больше нет.
Он удалён из списка недавних этикеток.</source>
        <translation>The file “%1” is gone.
It was removed from the recent labels.</translation>
    </message>
    <message>
        <source>Сервера %1 нет в списке серверов.
Добавьте его в «Файл → Список серверов...», чтобы открыть этикетку «%2».</source>
        <translation>The server %1 is not in the server list.
Add it in “File → Server List...” to open the label “%2”.</translation>
    </message>
    <message>
        <source>Этикетки «%1» больше нет на сервере %2.
Она удалена из списка недавних этикеток.</source>
        <translation>The label “%1” is no longer on the server %2.
It was removed from the recent labels.</translation>
    </message>
    <message>
        <source>Не найден веб-браузер, чтобы открыть руководство.
Откройте этот адрес в браузере вручную:

%1</source>
        <translation>No web browser was found to open the manual.
Open this address in a browser yourself:

%1</translation>
    </message>
    <message>
        <source>Файл «%1» не является файлом этикетки.
Этикетки хранятся в файлах .lbl, которые записывает эта программа.</source>
        <translation>The file “%1” is not a label file.
Labels are kept in .lbl files, which this program writes.</translation>
    </message>
    <message>
        <source>Ошибка ввода/вывода при загрузке файла!</source>
        <translation>Input/output error loading the file!</translation>
    </message>
    <message>
        <source>Файл этикетки «%1» не открыт: %2.</source>
        <translation>The label file “%1” did not open: %2.</translation>
    </message>
    <message>
        <source>Файл этикетки «%1» не прочитан. </source>
        <translation>The label file “%1” was not read. </translation>
    </message>
    <message>
        <source>Файл этикетки «%1» не прочитан: в нём этикетка с неверными размерами или полями.</source>
        <translation>The label file “%1” was not read: it holds a label with wrong sizes or fields.</translation>
    </message>
    <message>
        <source>Этикетка «%1» не сохранена. </source>
        <translation>The label “%1” was not saved. </translation>
    </message>
    <message>
        <source>Этикетка «%1» заняла бы %2 МиБ, больше допустимых %3 МиБ: такую этикетку нельзя прочитать снова. Уменьшите или уберите изображения.</source>
        <translation>The label “%1” would take %2 MiB, more than the %3 MiB allowed: such a label could not be read again. Make the pictures smaller or remove some.</translation>
    </message>
    <message>
        <source>Изображение «%1» не вставлено: в нём %2 МиБ, а этикетке осталось места на %3 МиБ. Этикетку больше %4 МиБ программа не может сохранить в файл или передать на сервер.</source>
        <translation>The picture “%1” was not inserted: it takes %2 MiB, and the label has room for %3 MiB. The program cannot save a label of more than %4 MiB to a file or send it to a server.</translation>
    </message>
    <message>
        <source>Ошибка загрузки этикетки!</source>
        <translation>Error loading the label!</translation>
    </message>
    <message>
        <source>Ошибка сохранения этикетки!</source>
        <translation>Error saving the label!</translation>
    </message>
    <message>
        <source>Этикетку нельзя сохранить: %1 содержит символ U+%{2:04X}, который не может быть записан.</source>
        <translation>The label cannot be saved: %1 holds the character U+%{2:04X}, which cannot be written.</translation>
    </message>
    <message>
        <source>название этикетки</source>
        <translation>the label&apos;s name</translation>
    </message>
    <message>
        <source>описание этикетки</source>
        <translation>the label&apos;s description</translation>
    </message>
    <message>
        <source>описание элемента %1</source>
        <translation>the description of element %1</translation>
    </message>
    <message>
        <source>текст элемента %1 «%2»</source>
        <translation>the text of element %1 “%2”</translation>
    </message>
    <message>
        <source>шрифт элемента %1 «%2»</source>
        <translation>the font of element %1 “%2”</translation>
    </message>
    <message>
        <source>данные штрих-кода элемента %1 «%2»</source>
        <translation>the barcode data of element %1 “%2”</translation>
    </message>
    <message>
        <source>Этикетку нельзя сохранить: %1 — не конечное число (%2).</source>
        <translation>The label cannot be saved: %1 is not a finite number (%2).</translation>
    </message>
    <message>
        <source>ширина этикетки</source>
        <translation>the label&apos;s width</translation>
    </message>
    <message>
        <source>размер или отступ листа этикеток</source>
        <translation>a size or margin of the label sheet</translation>
    </message>
    <message>
        <source>название листа этикеток</source>
        <translation>the label sheet&apos;s name</translation>
    </message>
    <message>
        <source>Лист этикеток в файле «%1» не прочитан. %2 Этикетка открыта без листа.</source>
        <translation>The label sheet in the file “%1” was not read. %2 The label opened without a sheet.</translation>
    </message>
    <message>
        <source>Лист этикеток не прочитан. %1 Этикетка открыта без листа.</source>
        <translation>The label sheet was not read. %1 The label opened without a sheet.</translation>
    </message>
    <message>
        <source>В его описании неверные или недостающие поля.</source>
        <translation>Its description has wrong or missing fields.</translation>
    </message>
    <message>
        <source>высота этикетки</source>
        <translation>the label&apos;s height</translation>
    </message>
    <message>
        <source>координата X элемента %1 «%2»</source>
        <translation>the X coordinate of element %1 “%2”</translation>
    </message>
    <message>
        <source>координата Y элемента %1 «%2»</source>
        <translation>the Y coordinate of element %1 “%2”</translation>
    </message>
    <message>
        <source>угол поворота элемента %1 «%2»</source>
        <translation>the rotation angle of element %1 “%2”</translation>
    </message>
    <message>
        <source>ширина элемента %1 «%2»</source>
        <translation>the width of element %1 “%2”</translation>
    </message>
    <message>
        <source>высота элемента %1 «%2»</source>
        <translation>the height of element %1 “%2”</translation>
    </message>
    <message>
        <source>размер шрифта элемента %1 «%2»</source>
        <translation>the font size of element %1 “%2”</translation>
    </message>
    <message>
        <source>толщина линии элемента %1 «%2»</source>
        <translation>the line thickness of element %1 “%2”</translation>
    </message>
    <message>
        <source>Невозможно обратиться к серверу: %1 содержит символ U+%{2:04X}, который не может быть передан.</source>
        <translation>The server cannot be called: %1 holds the character U+%{2:04X}, which cannot be sent.</translation>
    </message>
    <message>
        <source>имя пользователя</source>
        <translation>the user name</translation>
    </message>
    <message>
        <source>пароль</source>
        <translation>the password</translation>
    </message>
    <message>
        <source>имя этикетки</source>
        <translation>the label&apos;s name</translation>
    </message>
    <message>
        <source>новое имя этикетки</source>
        <translation>the label&apos;s new name</translation>
    </message>
    <message>
        <source>имя переменной «%1»</source>
        <translation>the name of the variable “%1”</translation>
    </message>
    <message>
        <source>значение переменной «%1»</source>
        <translation>the value of the variable “%1”</translation>
    </message>
    <message>
        <source>Не удалось сохранить настройки в файл «%1»: %2.

Программа продолжит работу; прежний файл настроек не изменён.</source>
        <translation>The settings could not be saved to the file “%1”: %2.

The program goes on; the old settings file is unchanged.</translation>
    </message>
    <message>
        <source>файл занят другой программой (ожидание блокировки дольше %1 с)</source>
        <translation>the file is held by another program (waited for the lock longer than %1 s)</translation>
    </message>
    <message>
        <source>существующий файл не удалось прочитать (%1)</source>
        <translation>the existing file could not be read (%1)</translation>
    </message>
    <message>
        <source>на диске нет свободного места</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>файловая система доступна только для чтения</source>
        <translation>the file system is read-only</translation>
    </message>
    <message>
        <source>на месте папки находится файл</source>
        <translation>there is a file where the folder should be</translation>
    </message>
    <message>
        <source>на месте файла находится папка</source>
        <translation>there is a folder where the file should be</translation>
    </message>
    <message>
        <source>превышена дисковая квота</source>
        <translation>the disk quota is exceeded</translation>
    </message>
    <message>
        <source>системная ошибка %1 (%2)</source>
        <translation>system error %1 (%2)</translation>
    </message>
    <message>
        <source>значение «%1» содержит непарный суррогатный символ U+%{2:04X}, который нельзя записать</source>
        <translation>the value “%1” holds an unpaired surrogate U+%{2:04X}, which cannot be written</translation>
    </message>
    <message>
        <source>список «%1» нельзя записать: в нём одна пустая строка или строка с символом NUL</source>
        <translation>the list “%1” cannot be written: it holds one empty string or a string with a NUL character</translation>
    </message>
    <message>
        <source>(не указано)</source>
        <translation>(not given)</translation>
    </message>
    <message>
        <source>Сохранить?</source>
        <translation>Save?</translation>
    </message>
    <message>
        <source>Сохраните этикетку на сервер.
</source>
        <translation>Save the label to the server.
</translation>
    </message>
    <message>
        <source>Ошибка декодирования изображения JPEG!
</source>
        <translation>Error decoding the JPEG picture!
</translation>
    </message>
    <message>
        <source>Изображение JPEG пришло не полностью: показана полученная часть.
</source>
        <translation>The JPEG picture did not arrive in full: the part received is shown.
</translation>
    </message>
    <message>
        <source>Файл таблицы не читается: %1.</source>
        <translation>The table file cannot be read: %1.</translation>
    </message>
    <message>
        <source>Файл таблицы больше 1 ГиБ: такие таблицы программа не читает.</source>
        <translation>The table file is larger than 1 GiB: the program does not read such tables.</translation>
    </message>
    <message>
        <source>В таблице нет ни одной строки: первая строка должна называть столбцы.</source>
        <translation>The table has no rows: the first row must name the columns.</translation>
    </message>
    <message>
        <source>Таблица записана в UTF-16: сохраните её как CSV в кодировке UTF-8 или Windows-1251.</source>
        <translation>The table is written in UTF-16: save it as CSV in UTF-8 or Windows-1251.</translation>
    </message>
    <message>
        <source>Строка %1: в файле двоичные данные, это не таблица CSV.</source>
        <translation>Line %1: binary data in the file, this is not a CSV table.</translation>
    </message>
    <message>
        <source>Строка %1: кавычка, открытая в этой строке, не закрыта до конца файла.</source>
        <translation>Line %1: a quote opened on this line is not closed before the end of the file.</translation>
    </message>
    <message>
        <source>Строка %1: ячеек %2, а столбцов в заголовке %3.</source>
        <translation>Line %1: %2 cells, but the header has %3 columns.</translation>
    </message>
    <message>
        <source>Строка %1: строка таблицы длиннее 16 МиБ.</source>
        <translation>Line %1: a table row longer than 16 MiB.</translation>
    </message>
    <message>
        <source>Строка %1: столбцов больше 10000.</source>
        <translation>Line %1: more than 10000 columns.</translation>
    </message>
    <message>
        <source>Строка %1: столбец «%2» назван дважды.</source>
        <translation>Line %1: the column “%2” is named twice.</translation>
    </message>
    <message>
        <source>Строка %1: столбец «%2» назван с «#», а такие имена заняты счётчиками (${#}, ${#row}, ${#date}, ${#time}); переименуйте столбец.</source>
        <translation>Line %1: the column “%2” is named with “#”, and such names belong to the counters (${#}, ${#row}, ${#date}, ${#time}); rename the column.</translation>
    </message>
    <message>
        <source>Строка %1: после закрывающей кавычки ячейки идёт текст. Кавычка внутри ячейки в кавычках записывается двумя кавычками (&quot;&quot;).</source>
        <translation>Line %1: text follows a cell&apos;s closing quote. A quote inside a quoted cell is written as two quotes (&quot;&quot;).</translation>
    </message>
    <message>
        <source>Строка %1: байты, недопустимые в кодировке %2. Таблица записана в другой кодировке.</source>
        <translation>Line %1: bytes not valid in the encoding %2. The table is written in another encoding.</translation>
    </message>
    <message>
        <source>Строка %1: текст не в кодировке %2, в которой записана строка %3: в таблице смешаны кодировки. Сохраните таблицу целиком в UTF-8 или в Windows-1251.</source>
        <translation>Line %1: text not in the encoding %2 that line %3 is written in: the table mixes encodings. Save the whole table in UTF-8 or in Windows-1251.</translation>
    </message>
    <message>
        <source>Строка %1: файл таблицы изменился во время работы.</source>
        <translation>Line %1: the table file changed while it was being read.</translation>
    </message>
    <message>
        <source>в файле нет размеров изображения</source>
        <translation>the file does not give the picture&apos;s size</translation>
    </message>
    <message>
        <source>изображение объявляет %1 × %2 точек, больше %3 мегапикселей (или %4 точек по стороне)</source>
        <translation>the picture declares %1 × %2 pixels, more than %3 megapixels (or %4 pixels a side)</translation>
    </message>
    <message>
        <source>изображение больше, чем может быть этикетка</source>
        <translation>the picture is larger than a label can be</translation>
    </message>
    <message>
        <source>файл обрывается на середине</source>
        <translation>the file breaks off in the middle</translation>
    </message>
    <message>
        <source>это не файл PNG</source>
        <translation>this is not a PNG file</translation>
    </message>
    <message>
        <source>это не файл JPEG</source>
        <translation>this is not a JPEG file</translation>
    </message>
    <message>
        <source>файл JPEG испорчен</source>
        <translation>the JPEG file is damaged</translation>
    </message>
    <message>
        <source>SVG ссылается на другие файлы или адреса (url), такие ссылки не допускаются</source>
        <translation>the SVG refers to other files or addresses (url); such references are not allowed</translation>
    </message>
    <message>
        <source>это не SVG в UTF-8 (в файле есть нулевые байты)</source>
        <translation>this is not SVG in UTF-8 (the file has zero bytes)</translation>
    </message>
    <message>
        <source>SVG подключает другие файлы (@import), это не допускается</source>
        <translation>the SVG includes other files (@import); this is not allowed</translation>
    </message>
    <message>
        <source>в SVG есть DOCTYPE или объявления сущностей, такие файлы не принимаются</source>
        <translation>the SVG has a DOCTYPE or entity declarations; such files are not accepted</translation>
    </message>
    <message>
        <source>SVG подключает таблицу стилей из другого файла, это не допускается</source>
        <translation>the SVG includes a style sheet from another file; this is not allowed</translation>
    </message>
    <message>
        <source>SVG испорчен (лишний закрывающий тег)</source>
        <translation>the SVG is damaged (a stray closing tag)</translation>
    </message>
    <message>
        <source>в SVG есть сценарий (script), такие файлы не принимаются</source>
        <translation>the SVG has a script; such files are not accepted</translation>
    </message>
    <message>
        <source>это не SVG (первый элемент не &lt;svg&gt;)</source>
        <translation>this is not SVG (the first element is not &lt;svg&gt;)</translation>
    </message>
    <message>
        <source>SVG испорчен (элементы после конца &lt;svg&gt;)</source>
        <translation>the SVG is damaged (elements after the end of &lt;svg&gt;)</translation>
    </message>
    <message>
        <source>SVG испорчен</source>
        <translation>the SVG is damaged</translation>
    </message>
    <message>
        <source>SVG испорчен (атрибут без значения)</source>
        <translation>the SVG is damaged (an attribute without a value)</translation>
    </message>
    <message>
        <source>SVG испорчен (значение атрибута без кавычек)</source>
        <translation>the SVG is damaged (an attribute value without quotes)</translation>
    </message>
    <message>
        <source>SVG ссылается на другие файлы или адреса (href), такие ссылки не допускаются</source>
        <translation>the SVG refers to other files or addresses (href); such references are not allowed</translation>
    </message>
    <message>
        <source>в SVG есть сценарий (%1), такие файлы не принимаются</source>
        <translation>the SVG has a script (%1); such files are not accepted</translation>
    </message>
    <message>
        <source>SVG вложен глубже %1 уровней</source>
        <translation>the SVG is nested deeper than %1 levels</translation>
    </message>
    <message>
        <source>SVG повторяет свои части (use) больше %1 раз</source>
        <translation>the SVG repeats its parts (use) more than %1 times</translation>
    </message>
    <message>
        <source>у SVG нет размеров (width и height или viewBox)</source>
        <translation>the SVG has no size (width and height, or viewBox)</translation>
    </message>
    <message>
        <source>файл пуст</source>
        <translation>the file is empty</translation>
    </message>
    <message>
        <source>в файле нет рисунка EPS (нет строки %%BoundingBox), PNG, JPEG или SVG</source>
        <translation>the file has no EPS picture (no %%BoundingBox line), PNG, JPEG or SVG</translation>
    </message>
    <message>
        <source>Размер бумаги листа должен быть от 0 до %1 мм.</source>
        <translation>The sheet&apos;s paper size must be 0 to %1 mm.</translation>
    </message>
    <message>
        <source>Этикетка листа должна быть больше нуля и не больше его бумаги.</source>
        <translation>The sheet&apos;s label must be larger than zero and no larger than its paper.</translation>
    </message>
    <message>
        <source>Этикетка листа не может быть меньше 0,1 мм.</source>
        <translation>The sheet&apos;s label cannot be smaller than 0.1 mm.</translation>
    </message>
    <message>
        <source>Скругление углов и отверстие этикетки не могут быть отрицательными.</source>
        <translation>The corner radius and the hole of a label cannot be negative.</translation>
    </message>
    <message>
        <source>Отверстие диска должно быть меньше самого диска.</source>
        <translation>The hole of a disc must be smaller than the disc.</translation>
    </message>
    <message>
        <source>На листе нет ни одной этикетки.</source>
        <translation>The sheet has no labels.</translation>
    </message>
    <message>
        <source>Отступы и шаги этикеток листа должны быть числами в пределах листа.</source>
        <translation>The margins and steps of the sheet&apos;s labels must be numbers within the sheet.</translation>
    </message>
    <message>
        <source>На листе может быть от 1 до %1 этикеток.</source>
        <translation>A sheet can hold 1 to %1 labels.</translation>
    </message>
    <message>
        <source>левый</source>
        <translation>left</translation>
    </message>
    <message>
        <source>правый</source>
        <translation>right</translation>
    </message>
    <message>
        <source>верхний</source>
        <translation>top</translation>
    </message>
    <message>
        <source>нижний</source>
        <translation>bottom</translation>
    </message>
    <message>
        <source>Этикетка %1 выходит за %2 край бумаги.</source>
        <translation>Label %1 goes past the %2 edge of the paper.</translation>
    </message>
    <message>
        <source>Этикетки %1 и %2 перекрываются.</source>
        <translation>Labels %1 and %2 overlap.</translation>
    </message>
    <message>
        <source>Размеры листа задаются так: БУМАГА,СТОЛБЦЫxРЯДЫ,ШИРИНАxВЫСОТА,СЛЕВА,СВЕРХУ,ПРОМЕЖУТОК_ПО_ГОРИЗОНТАЛИ,ПРОМЕЖУТОК_ПО_ВЕРТИКАЛИ (в мм), например A4,3x8,70x37,0,0,0,0.</source>
        <translation>A sheet&apos;s sizes are given as PAPER,COLUMNSxROWS,WIDTHxHEIGHT,LEFT,TOP,HORIZONTAL_GAP,VERTICAL_GAP (in mm), for example A4,3x8,70x37,0,0,0,0.</translation>
    </message>
    <message>
        <source>Неизвестная бумага листа: укажите A3, A4, A5, A6, Letter, Legal или ШИРИНАxВЫСОТА в мм.</source>
        <translation>Unknown sheet paper: give A3, A4, A5, A6, Letter, Legal or WIDTHxHEIGHT in mm.</translation>
    </message>
    <message>
        <source>Число этикеток листа задаётся как СТОЛБЦЫxРЯДЫ, целыми числами, всего не больше %1.</source>
        <translation>A sheet&apos;s number of labels is given as COLUMNSxROWS, in whole numbers, %1 at most in all.</translation>
    </message>
    <message>
        <source>Размер этикетки листа задаётся как ШИРИНАxВЫСОТА в мм.</source>
        <translation>A sheet&apos;s label size is given as WIDTHxHEIGHT in mm.</translation>
    </message>
    <message>
        <source>Отступы и промежутки листа должны быть неотрицательными числами (в мм).</source>
        <translation>A sheet&apos;s margins and gaps must be numbers not below zero (in mm).</translation>
    </message>
    <message>
        <source>Слева внизу</source>
        <translation>Bottom left</translation>
    </message>
    <message>
        <source>Слева вверху</source>
        <translation>Top left</translation>
    </message>
    <message>
        <source>Справа вверху</source>
        <translation>Top right</translation>
    </message>
    <message>
        <source>Справа внизу</source>
        <translation>Bottom right</translation>
    </message>
    <message>
        <source>Слева посередине</source>
        <translation>Middle left</translation>
    </message>
    <message>
        <source>Сверху посередине</source>
        <translation>Top centre</translation>
    </message>
    <message>
        <source>Справа посередине</source>
        <translation>Middle right</translation>
    </message>
    <message>
        <source>Снизу посередине</source>
        <translation>Bottom centre</translation>
    </message>
    <message>
        <source>По центру</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>Автоподбор</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>EAN (автоподбор)</source>
        <translation>EAN (automatic)</translation>
    </message>
    <message>
        <source>QR-код</source>
        <translation>QR code</translation>
    </message>
    <message>
        <source>Папка</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>Б</source>
        <translation>B</translation>
    </message>
    <message>
        <source>КиБ</source>
        <translation>KiB</translation>
    </message>
    <message>
        <source>МиБ</source>
        <translation>MiB</translation>
    </message>
    <message>
        <source>ГиБ</source>
        <translation>GiB</translation>
    </message>
    <message>
        <source>ТиБ</source>
        <translation>TiB</translation>
    </message>
    <message>
        <source>Да</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Идет сетевая операция...</source>
        <translation>Network operation in progress...</translation>
    </message>
    <message>
        <source>Сплошная</source>
        <translation>Solid</translation>
    </message>
    <message>
        <source>Тире</source>
        <translation>Dash</translation>
    </message>
    <message>
        <source>Точка</source>
        <translation>Dot</translation>
    </message>
    <message>
        <source>Точка-тире</source>
        <translation>Dash-dot</translation>
    </message>
    <message>
        <source>Точка-точка-тире</source>
        <translation>Dash-dot-dot</translation>
    </message>
    <message>
        <source>По левому краю</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>По правому краю</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>Равномерно</source>
        <translation>Justified</translation>
    </message>
    <message>
        <source>0.0 (самая тонкая)</source>
        <translation>0.0 (the thinnest)</translation>
    </message>
    <message>
        <source>Принтер этикеток «%1»: %2</source>
        <translation>Label printer “%1”: %2</translation>
    </message>
    <message>
        <source>Принтер этикеток «%1» уже есть: выберите другое имя.</source>
        <translation>The label printer “%1” already exists: choose another name.</translation>
    </message>
    <message>
        <source>Удалить принтер этикеток «%1»?</source>
        <translation>Delete the label printer “%1”?</translation>
    </message>
    <message>
        <source>Пробная этикетка отправлена на принтер «%1».</source>
        <translation>The test label was sent to the printer “%1”.</translation>
    </message>
    <message>
        <source>Нет</source>
        <comment>no sheet</comment>
        <translation>No</translation>
    </message>
    <message>
        <source>
… и ещё %1</source>
        <translation>
… and %1 more</translation>
    </message>
    <message>
        <source>этикетки</source>
        <translation>labels</translation>
    </message>
    <message>
        <source>Нет изображения</source>
        <translation>No picture</translation>
    </message>
    <message>
        <source>Просмотр (F5)</source>
        <translation>Preview (F5)</translation>
    </message>
    <message>
        <source>Как в системе</source>
        <translation>As in the system</translation>
    </message>
    <message>
        <source>Язык сменится при следующем запуске программы.</source>
        <translation>The language changes at the next start of the program.</translation>
    </message>
    <message>
        <source>«%1»</source>
        <comment>a column&apos;s name quoted</comment>
        <translation>“%1”</translation>
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
    <message>
        <source>база данных этикеток: %1</source>
        <translation>the labels database: %1</translation>
    </message>
    <message>
        <source>папка этикеток %1: %2</source>
        <translation>the labels folder %1: %2</translation>
    </message>
    <message>
        <source>у принтера «%1» должна быть очередь CUPS (cups = …) или адрес принтера этикеток (address = …), одно из двух</source>
        <translation>the printer “%1” needs a CUPS queue (cups = …) or a label printer address (address = …), one of the two</translation>
    </message>
    <message>
        <source>принтер «%1»: %2</source>
        <translation>printer “%1”: %2</translation>
    </message>
    <message>
        <source>название принтера пишется в квадратных скобках: [Склад]</source>
        <translation>a printer’s name is written in square brackets: [Store]</translation>
    </message>
    <message>
        <source>название принтера — от 1 до 200 байт</source>
        <translation>a printer’s name takes 1 to 200 bytes</translation>
    </message>
    <message>
        <source>принтер «%1» назван второй раз</source>
        <translation>the printer “%1” is named a second time</translation>
    </message>
    <message>
        <source>принтеров больше %1 (у каждого свой поток печати)</source>
        <translation>more than %1 printers (each has a printing thread of its own)</translation>
    </message>
    <message>
        <source>строка должна быть «ключ = значение» или [название принтера]</source>
        <translation>a line must be “key = value” or [printer name]</translation>
    </message>
    <message>
        <source>сначала название принтера в квадратных скобках: [Склад]</source>
        <translation>a printer’s name in square brackets comes first: [Store]</translation>
    </message>
    <message>
        <source>неизвестный ключ «%1»; есть cups, address, language, dpi, darkness, speed, media, gap, head-width, offset-x, offset-y, retry-every, retry-for</source>
        <translation>unknown key “%1”; there are cups, address, language, dpi, darkness, speed, media, gap, head-width, offset-x, offset-y, retry-every, retry-for</translation>
    </message>
    <message>
        <source>неверное значение «%1» у ключа %2</source>
        <translation>wrong value “%1” of key %2</translation>
    </message>
    <message>
        <source>%1: файл принтеров не открывается</source>
        <translation>%1: the printers file cannot be opened</translation>
    </message>
    <message>
        <source>%1: файл принтеров больше 1 МиБ</source>
        <translation>%1: the printers file is larger than 1 MiB</translation>
    </message>
    <message>
        <source>адрес вида [IPv6]:ПОРТ</source>
        <translation>an address of the form [IPv6]:PORT</translation>
    </message>
    <message>
        <source>нужен АДРЕС:ПОРТ, например 127.0.0.1:8390</source>
        <translation>ADDRESS:PORT is needed, for example 127.0.0.1:8390</translation>
    </message>
    <message>
        <source>нужен АДРЕС:ПОРТ с портом 0…65535</source>
        <translation>ADDRESS:PORT with a port of 0…65535 is needed</translation>
    </message>
    <message>
        <source>адрес %1: %2</source>
        <translation>address %1: %2</translation>
    </message>
    <message>
        <source>без файла пользователей (--users) сервер слушает только адрес петли (127.0.0.1 или ::1)</source>
        <translation>without a users file (--users) the server listens only on a loopback address (127.0.0.1 or ::1)</translation>
    </message>
    <message>
        <source>не удалось слушать %1: %2</source>
        <translation>cannot listen on %1: %2</translation>
    </message>
    <message>
        <source>не прочитан %s
</source>
        <translation>not read: %s
</translation>
    </message>
    <message>
        <source>: удалена во время копирования</source>
        <translation>: dropped while copying</translation>
    </message>
    <message>
        <source>не прочитана %s%s
</source>
        <translation>not read: %s%s
</translation>
    </message>
    <message>
        <source>уже есть, не заменена: %s
</source>
        <translation>already there, not replaced: %s
</translation>
    </message>
    <message>
        <source>не принята %s: %s
</source>
        <translation>not taken: %s: %s
</translation>
    </message>
    <message>
        <source>--import и --export не задаются вместе</source>
        <translation>--import and --export are not given together</translation>
    </message>
    <message>
        <source>для --import и --export нужна база данных: --store postgresql://…</source>
        <translation>--import and --export need a database: --store postgresql://…</translation>
    </message>
    <message>
        <source>vellumo-server: папки этикеток %s нет
</source>
        <translation>vellumo-server: there is no labels folder %s
</translation>
    </message>
    <message>
        <source>vellumo-server: база данных этикеток: %s
</source>
        <translation>vellumo-server: the labels database: %s
</translation>
    </message>
    <message>
        <source>vellumo-server: папка этикеток %s: %s
</source>
        <translation>vellumo-server: the labels folder %s: %s
</translation>
    </message>
    <message>
        <source>скопировано этикеток: %d
уже были и не заменены: %d
не прочитаны или не приняты: %d
</source>
        <translation>labels copied: %d
already there and not replaced: %d
not read or not taken: %d
</translation>
    </message>
    <message>
        <source>vellumo-server: копирование прервано: %s
</source>
        <translation>vellumo-server: copying stopped: %s
</translation>
    </message>
    <message>
        <source>не удалось открыть файл пользователей %1</source>
        <translation>cannot open the users file %1</translation>
    </message>
    <message>
        <source>файл пользователей %1 слишком велик</source>
        <translation>the users file %1 is too large</translation>
    </message>
    <message>
        <source>файл пользователей %1, строка %2: нужно «имя:пароль»</source>
        <translation>the users file %1, line %2: “name:password” is needed</translation>
    </message>
    <message>
        <source>файл пользователей %1, строка %2: неверная запись pbkdf2-sha256</source>
        <translation>the users file %1, line %2: a wrong pbkdf2-sha256 entry</translation>
    </message>
    <message>
        <source>нет связи с базой данных</source>
        <translation>no connection to the database</translation>
    </message>
    <message>
        <source>база данных не ответила вовремя</source>
        <translation>the database did not answer in time</translation>
    </message>
    <message>
        <source>ошибка базы данных</source>
        <translation>a database error</translation>
    </message>
    <message>
        <source>база данных не ответила за %1 с</source>
        <translation>the database did not answer within %1 s</translation>
    </message>
    <message>
        <source>строка подключения к базе не читается: %1</source>
        <translation>the database connection string does not read: %1</translation>
    </message>
    <message>
        <source>пароль в строке подключения не принимается (его видно в списке процессов): задайте его в переменной PGPASSWORD или в файле ~/.pgpass</source>
        <translation>a password in the connection string is not taken (the process list shows it): give it in the PGPASSWORD variable or the ~/.pgpass file</translation>
    </message>
    <message>
        <source>база данных не ответила на подключение за %1 с</source>
        <translation>the database did not answer the connection within %1 s</translation>
    </message>
    <message>
        <source>база данных в кодировке %1, а имена этикеток хранятся только в UTF8 (CREATE DATABASE … ENCODING &apos;UTF8&apos;)</source>
        <translation>the database is in encoding %1, but label names are kept only in UTF8 (CREATE DATABASE … ENCODING &apos;UTF8&apos;)</translation>
    </message>
    <message>
        <source>все %1 соединений с базой данных заняты</source>
        <translation>all %1 connections to the database are busy</translation>
    </message>
    <message>
        <source>таблицы этикеток в базе версии %1, а этот сервер знает только версию %2: нужен более новый vellumo-server</source>
        <translation>the label tables in the database are of version %1, but this server knows only version %2: a newer vellumo-server is needed</translation>
    </message>
    <message>
        <source>в таблице vellumo_schema нет версии таблиц этикеток</source>
        <translation>the vellumo_schema table holds no version of the label tables</translation>
    </message>
    <message>
        <source>не папка</source>
        <translation>not a folder</translation>
    </message>
</context>
</TS>
