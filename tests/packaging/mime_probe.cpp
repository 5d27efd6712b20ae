// Prints the MIME type the shared MIME database (as found through
// XDG_DATA_DIRS) gives a file: by content alone, or by name and content.
//
//   mime_probe content|name FILE
#include <QCoreApplication>
#include <QMimeDatabase>
#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    QCoreApplication app(argc, argv);
    QMimeDatabase db;
    const QString file = QString::fromLocal8Bit(argv[2]);
    const QMimeType type = std::strcmp(argv[1], "content") == 0
                               ? db.mimeTypeForFile(file, QMimeDatabase::MatchContent)
                               : db.mimeTypeForFile(file, QMimeDatabase::MatchDefault);
    std::printf("%s\n", qPrintable(type.name()));
    return 0;
}
