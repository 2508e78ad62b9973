// Draws every numbered picture of the program into <out>/bitmap and <out>/icon (English
// versions of the pictures with words into <out>/bitmap/en), and writes the
// resource list <out>/quillet.qrc; the desktop's program icons go to <out>/desktop and are
// installed, not compiled in. Same input, same bytes: fonts are named outright and the PNG
// files carry no text or time chunks.
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QTextStream>

#include <cstdio>
#include <map>

#include "tools/artgen/art.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: artgen <output directory>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    std::map<QString, QStringList> written;  // kind -> sorted file names
    bool ok = true;
    const quillet::art::Sink sink = [&](const QString& kind, const QString& name,
                                        const QImage& img) {
        out.mkpath(kind);
        const QString file = kind + "/" + name + ".png";
        QImageWriter writer(out.filePath(file), "png");
        writer.setQuality(0);  // PNG: quality 0 is the strongest compression
        QImage copy = img;
        copy.setDotsPerMeterX(3780);  // 96 dots per inch
        copy.setDotsPerMeterY(3780);
        if (!writer.write(copy)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.filePath(file)));
            ok = false;
        }
        written[kind].append(file);
    };
    const quillet::art::FileSink files = [&](const QString& kind, const QString& name,
                                             const QByteArray& bytes) {
        out.mkpath(kind);
        QFile f(out.filePath(kind + "/" + name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
            ok = false;
        }
    };
    quillet::art::DrawButtons(sink);
    quillet::art::DrawFrame(sink);
    quillet::art::DrawTabs(sink);
    quillet::art::DrawIcons(sink);
    quillet::art::DrawDesktopIcons(sink, files);

    QFile qrc(out.filePath("quillet.qrc"));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return 1;
    }
    QTextStream s(&qrc);
    s << "<!-- Written by tools/artgen: do not edit. -->\n<RCC>\n";
    for (auto& [kind, names] : written) {
        if (kind == "desktop") {
            continue;  // installed beside the program, not compiled in
        }
        names.sort();
        s << "  <qresource prefix=\"/" << kind << "\">\n";
        for (const QString& f : names) {
            s << "    <file alias=\"" << f.mid(kind.size() + 1) << "\">" << f << "</file>\n";
        }
        s << "  </qresource>\n";
    }
    s << "</RCC>\n";
    return ok ? 0 : 1;
}
