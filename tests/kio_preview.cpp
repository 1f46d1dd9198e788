// Asks KIO for previews the way Dolphin does: a KIO::PreviewJob with the default plugins,
// served by kio-extras' thumbnail worker. Writes each preview as NAME.png into OUTPUT and
// prints "preview NAME" or "failed NAME" for each drawing, in the order they come.
//
//   kio_preview SIZE OUTPUT DRAWING...      (QT_QPA_PLATFORM=offscreen runs it headless)
#include <KFileItem>
#include <KIO/PreviewJob>

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        QTextStream(stderr) << "usage: kio_preview SIZE OUTPUT DRAWING...\n";
        return 2;
    }
    const int size = arguments[1].toInt();
    const QString output = arguments[2];
    KFileItemList items;
    for (const QString& drawing : arguments.mid(3)) {
        items.append(KFileItem(QUrl::fromLocalFile(QFileInfo(drawing).absoluteFilePath())));
    }
    const QStringList plugins = KIO::PreviewJob::defaultPlugins();
    KIO::PreviewJob* job = KIO::filePreview(items, QSize(size, size), &plugins);
    job->setIgnoreMaximumSize(true);
    job->setScaleType(KIO::PreviewJob::Scaled);  // nothing read from or put in a cache
    QTextStream out(stdout);
    int written = 0;
    QObject::connect(job, &KIO::PreviewJob::gotPreview,
                     [&](const KFileItem& item, const QPixmap& preview) {
                         const QString name = item.url().fileName();
                         const QString path = output + "/" + QFileInfo(name).baseName() + ".png";
                         if (preview.toImage().save(path, "PNG")) {
                             ++written;
                         }
                         out << "preview " << name << Qt::endl;
                     });
    QObject::connect(job, &KIO::PreviewJob::failed, [&](const KFileItem& item) {
        out << "failed " << item.url().fileName() << Qt::endl;
    });
    QObject::connect(job, &KJob::result, &application, [&](KJob* finished) {
        if (finished->error() != 0) {
            QTextStream(stderr) << "kio_preview: " << finished->errorString() << "\n";
        }
        application.exit(finished->error() == 0 ? 0 : 1);
    });
    return application.exec();
}
