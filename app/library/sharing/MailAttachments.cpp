#include "app/library/sharing/MailAttachments.h"

#include <QDir>

#include <algorithm>

namespace parlaro {

QString MailAttachments::newFolder() {
    // QTemporaryDir makes its folder readable by its owner only.
    auto folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/parlaro-mail-XXXXXX");
    if (!folder->isValid()) return {};
    folders_.push_back(std::move(folder));
    return folders_.back()->path();
}

void MailAttachments::discard(const QString& folder) {
    std::erase_if(folders_, [&](const auto& kept) { return kept->path() == folder; });
}

std::vector<QString> MailAttachments::folders() const {
    std::vector<QString> paths;
    for (const auto& kept : folders_)
        paths.push_back(kept->path());
    return paths;
}

}  // namespace parlaro
