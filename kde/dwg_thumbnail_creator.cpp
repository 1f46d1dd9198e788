// The KIO thumbnail plugin: a drawing's picture through the library's C API, in the process
// that asks for it. Nothing is printed: a drawing without a usable preview is a failed one.
#include <KIO/ThumbnailCreator>
#include <KPluginFactory>

#include <QImage>
#include <QSize>
#include <QUrl>

#include <algorithm>
#include <memory>

#include "lib/pictavex.h"

namespace {

constexpr std::uint32_t kBackground = 0xFFFFFF;  // as every file manager shows drawings

struct ContextFree {
    void operator()(pictavex_ctx* context) const { pictavex_ctx_free(context); }
};

// The picture fitted in side x side, or a null image. QImage's ARGB32 is blue, green, red and
// alpha in memory on the machines KDE runs on, as the library's BGRA is.
QImage Thumbnail(const QString& path, std::uint32_t side) {
    const std::unique_ptr<pictavex_ctx, ContextFree> context(pictavex_ctx_new());
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!context || pictavex_set_background(context.get(), kBackground) != PICTAVEX_OK ||
        pictavex_set_draw(context.get(), PICTAVEX_DRAW_MISSING) != PICTAVEX_OK ||
        pictavex_set_draw_limits(context.get(), PICTAVEX_DESKTOP_DRAW_ENTITIES,
                                 PICTAVEX_DESKTOP_DRAW_MILLISECONDS) != PICTAVEX_OK ||
        pictavex_load_file(context.get(), path.toLocal8Bit().constData()) != PICTAVEX_OK ||
        pictavex_get_fitted_size(context.get(), side, &width, &height) != PICTAVEX_OK) {
        return {};
    }
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32);
    if (image.isNull() ||  // too large to allocate
        pictavex_get_fitted(context.get(), side, PICTAVEX_FMT_BGRA8, image.bits(),
                            static_cast<std::size_t>(image.bytesPerLine()),
                            static_cast<std::size_t>(image.sizeInBytes())) != PICTAVEX_OK) {
        return {};
    }
    return image;
}

class DwgThumbnailCreator : public KIO::ThumbnailCreator {
    Q_OBJECT

public:
    DwgThumbnailCreator(QObject* parent, const QVariantList& arguments)
        : KIO::ThumbnailCreator(parent, arguments) {}

    KIO::ThumbnailResult create(const KIO::ThumbnailRequest& request) override {
        const QSize target = request.targetSize();
        const auto side = static_cast<std::uint32_t>(std::max(target.width(), target.height()));
        const QImage image = Thumbnail(request.url().toLocalFile(), side);
        return image.isNull() ? KIO::ThumbnailResult::fail() : KIO::ThumbnailResult::pass(image);
    }
};

}  // namespace

K_PLUGIN_CLASS_WITH_JSON(DwgThumbnailCreator, "pictavex-dwg-thumbnail.json")

#include "dwg_thumbnail_creator.moc"
