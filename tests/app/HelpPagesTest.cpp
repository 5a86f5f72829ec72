// The manual in docs/help is read straight from the disk by any browser: every page, picture,
// style sheet and anchor it points to must be there, and it must load nothing from elsewhere.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <map>

namespace {

const QString kHelpFolder = QStringLiteral(PARLARO_SOURCE_DIR "/docs/help");

QString readPage(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList anchorsOf(const QString& html) {
    QStringList ids;
    static const QRegularExpression id(R"re(\b(?:id|name)\s*=\s*"([^"]+)")re");
    for (const auto& m : id.globalMatch(html))
        ids << m.captured(1);
    return ids;
}

}  // namespace

TEST(HelpPages, EveryLocalLinkPictureAndAnchorExists) {
    const QStringList pages = QDir(kHelpFolder).entryList({"*.html"}, QDir::Files);
    ASSERT_TRUE(pages.contains("index.html")) << kHelpFolder.toStdString();
    std::map<QString, QStringList> anchors;
    for (const QString& page : pages)
        anchors[QFileInfo(kHelpFolder + "/" + page).canonicalFilePath()] =
            anchorsOf(readPage(kHelpFolder + "/" + page));

    static const QRegularExpression reference(R"re(\b(href|src)\s*=\s*"([^"]*)")re");
    int checked = 0;
    for (const QString& page : pages) {
        const QString html = readPage(kHelpFolder + "/" + page);
        ASSERT_FALSE(html.isEmpty()) << page.toStdString();
        for (const auto& m : reference.globalMatch(html)) {
            const QString target = m.captured(2);
            const std::string where = (page + ": " + m.captured(0)).toStdString();
            const QUrl url(target);
            ASSERT_FALSE(target.isEmpty()) << where;
            if (!url.scheme().isEmpty()) {
                // Addresses elsewhere are only ever followed, never loaded into the page.
                EXPECT_TRUE(m.captured(1) == "href" &&
                            (url.scheme() == "https" || url.scheme() == "mailto"))
                    << where;
                continue;
            }
            const QString file =
                url.path().isEmpty() ? kHelpFolder + "/" + page : kHelpFolder + "/" + url.path();
            const QFileInfo info(file);
            EXPECT_TRUE(info.isFile()) << where;
            if (url.hasFragment() && info.isFile()) {
                const QStringList& ids = anchors[info.canonicalFilePath()];
                EXPECT_TRUE(ids.contains(url.fragment())) << where;
            }
            ++checked;
        }
        EXPECT_FALSE(html.contains("<script", Qt::CaseInsensitive)) << page.toStdString();
        EXPECT_FALSE(html.contains(QRegularExpression(R"re(url\s*\(\s*['"]?https?:)re")))
            << page.toStdString();
    }
    EXPECT_GT(checked, 0);
}

TEST(HelpPages, StyleSheetsLoadNothingFromElsewhere) {
    for (const QString& sheet : QDir(kHelpFolder).entryList({"*.css"}, QDir::Files)) {
        const QString css = readPage(kHelpFolder + "/" + sheet);
        EXPECT_FALSE(css.contains("@import")) << sheet.toStdString();
        static const QRegularExpression url(R"re(url\s*\(\s*['"]?([^'")]+))re");
        for (const auto& m : url.globalMatch(css))
            EXPECT_TRUE(QFileInfo(kHelpFolder + "/" + m.captured(1)).isFile())
                << sheet.toStdString() << ": " << m.captured(0).toStdString();
    }
}
