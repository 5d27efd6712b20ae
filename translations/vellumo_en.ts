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
</context>
</TS>
