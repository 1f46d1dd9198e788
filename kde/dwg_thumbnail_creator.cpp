// The KIO thumbnail plugin: the core's picture of a drawing, in the process that asks for it.
#include <KIO/ThumbnailCreator>
#include <KPluginFactory>

#include <QImage>
#include <QSize>
#include <QUrl>

#include <exception>

#include "kde/picture_image.h"
#include "thumbnail/fitted_picture.h"

namespace {

constexpr COLORREF kBackground = kWhite;  // as every file manager shows drawings

class DwgThumbnailCreator : public KIO::ThumbnailCreator {
    Q_OBJECT

public:
    DwgThumbnailCreator(QObject* parent, const QVariantList& arguments)
        : KIO::ThumbnailCreator(parent, arguments) {}

    KIO::ThumbnailResult create(const KIO::ThumbnailRequest& request) override {
        const QSize target = request.targetSize();
        const auto side = static_cast<std::uint32_t>(std::max(target.width(), target.height()));
        try {
            // A drawing that cannot be read is the worker's failed preview; nothing is printed.
            const FittedPicture fitted =
                FitPicture(request.url().toLocalFile().toStdString(), side, kBackground);
            if (fitted.dib) {
                const QImage image = PictureImage(*fitted.dib);
                if (!image.isNull()) {
                    return KIO::ThumbnailResult::pass(image);
                }
            }
        } catch (const std::exception&) {
            // Memory ran out: this thumbnail fails, the worker and its other thumbnails go on.
        }
        return KIO::ThumbnailResult::fail();
    }
};

}  // namespace

K_PLUGIN_CLASS_WITH_JSON(DwgThumbnailCreator, "pictavex-dwg-thumbnail.json")

#include "dwg_thumbnail_creator.moc"
