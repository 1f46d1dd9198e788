// Times the KDE plugin's own work per thumbnail, loaded as kio-extras' thumbnail worker loads
// it (KPluginFactory) and asked for each drawing in turn, against starting
// pictavex-thumbnailer once per drawing, as GNOME and Xfce do. The two alternate in pairs.
//
//   kde_plugin PLUGIN THUMBNAILER OUTPUT PAIRS DRAWING...    (thumbnails of 256 pixels)
#include <KIO/ThumbnailCreator>
#include <KPluginFactory>
#include <KPluginMetaData>

#include <spawn.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QSize>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kSize = 256;
using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Milliseconds a thumbnail, and how many came out.
double InProcess(KIO::ThumbnailCreator& creator, const QStringList& drawings, int& made) {
    const auto start = Clock::now();
    made = 0;
    for (const QString& drawing : drawings) {
        const KIO::ThumbnailRequest request(QUrl::fromLocalFile(drawing), QSize(kSize, kSize),
                                            QStringLiteral("image/vnd.dwg"), 1.0, 0);
        made += creator.create(request).isValid() ? 1 : 0;
    }
    return Milliseconds(Clock::now() - start) / drawings.size();
}

double Processes(const std::string& thumbnailer, const std::string& output,
                 const QStringList& drawings, int& made) {
    const auto start = Clock::now();
    made = 0;
    const std::string size = std::to_string(kSize);
    for (const QString& drawing : drawings) {
        const std::string path = drawing.toStdString();
        std::vector<char*> arguments = {
            const_cast<char*>(thumbnailer.c_str()), const_cast<char*>("-s"),
            const_cast<char*>(size.c_str()),        const_cast<char*>(path.c_str()),
            const_cast<char*>(output.c_str()),      nullptr};
        pid_t child = 0;
        int status = 0;
        if (::posix_spawn(&child, thumbnailer.c_str(), nullptr, nullptr, arguments.data(),
                          environ) == 0 &&
            ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
            WEXITSTATUS(status) == 0) {
            ++made;
        }
    }
    return Milliseconds(Clock::now() - start) / drawings.size();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc < 6) {
        std::fprintf(stderr, "usage: kde_plugin PLUGIN THUMBNAILER OUTPUT PAIRS DRAWING...\n");
        return 2;
    }
    const QStringList arguments = QCoreApplication::arguments();
    const KPluginMetaData metaData(arguments[1]);
    auto loaded = KPluginFactory::instantiatePlugin<KIO::ThumbnailCreator>(metaData);
    if (!loaded) {
        std::fprintf(stderr, "kde_plugin: %s\n", qPrintable(loaded.errorString));
        return 1;
    }
    const std::unique_ptr<KIO::ThumbnailCreator> creator(loaded.plugin);
    const std::string thumbnailer = argv[2];
    const std::string output = argv[3];
    const int pairs = std::max(1, std::atoi(argv[4]));
    const QStringList drawings = arguments.mid(5);
    std::vector<double> plugin, process, ratios;
    int madeByPlugin = 0;
    int madeByProcess = 0;
    for (int pair = 0; pair < pairs; ++pair) {
        double a = 0;
        double b = 0;
        if (pair % 2) {
            b = Processes(thumbnailer, output, drawings, madeByProcess);
            a = InProcess(*creator, drawings, madeByPlugin);
        } else {
            a = InProcess(*creator, drawings, madeByPlugin);
            b = Processes(thumbnailer, output, drawings, madeByProcess);
        }
        plugin.push_back(a);
        process.push_back(b);
        ratios.push_back(b / a);
    }
    std::printf("%lld drawings, thumbnails of %d, %d alternated pairs\n",
                static_cast<long long>(drawings.size()), kSize, pairs);
    std::printf("plugin, in process            %7.3f ms per thumbnail (%d made)\n", Median(plugin),
                madeByPlugin);
    std::printf("pictavex-thumbnailer started  %7.3f ms per thumbnail (%d made)\n", Median(process),
                madeByProcess);
    std::printf("started / in process          %7.2f  (lowest %.2f, highest %.2f)\n",
                Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));
    return 0;
}
