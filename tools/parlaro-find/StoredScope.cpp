#include "tools/parlaro-find/StoredScope.h"

#include "core/settings/Product.h"
#include "core/settings/SettingsAccess.h"
#include "core/settings/StartupEnvironment.h"

namespace findtool {

using namespace parlaro;

parlaro::SearchScope storedScope(const FindArguments& args, parlaro::registry::RegistryStore& store,
                                 const StartupEnvironment& env, Prompter& prompter) {
    RegistryAccess reg(store, prompter, kProductName);
    const KeyPaths paths = KeyPaths::forProduct(kProductName);
    // The user's value, else the machine's, as the program reads them, but without writing the
    // default of a missing one into either scope.
    const auto text = [&](const char* name) -> QString {
        for (const QString& key : {paths.user, paths.machine}) {
            const QString v = reg.GetStringValue(key, name, "", false).value;
            if (v != kStringSentinel) return v;
        }
        return {};
    };
    const auto number = [&](const char* name, int32_t defaultValue) {
        for (const QString& key : {paths.user, paths.machine}) {
            const int32_t v = reg.GetLongValue(key, name, defaultValue, false).value;
            if (v != kLongSentinel) return v;
        }
        return defaultValue;
    };

    SearchScope scope;
    scope.SearchPath = args.folder.value_or(text("SearchPath"));
    scope.searchPathBytes = args.folderBytes;
    if (scope.SearchPath.isEmpty()) scope.SearchPath = text("CallPath");
    if (scope.SearchPath.isEmpty()) scope.SearchPath = DefaultCallsFolder(env);
    scope.subfolders = args.subfolders || number("subfolders", 0) == -1;
    scope.CanPlay = number("CanPlay", 1) != 0;
    scope.PlayOwnOnly = number("PlayOwnOnly", 0) != 0;
    scope.askAboutLargeFolders = false;

    scope.userName = CallUserName(env);
    return scope;
}

}  // namespace findtool
