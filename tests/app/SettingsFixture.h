// A settings store in a fresh folder with the two scopes, and the layers over it.
#pragma once

#include "core/settings/SettingsAccess.h"
#include "tests/app/ScriptedPrompter.h"
#include "tests/support/TempDir.h"

namespace testsupport {

struct SettingsFixture {
    TempDir dir;
    parlaro::registry::StoreLocations locations{QString::fromStdString(dir.file("config/Parlaro")),
                                                QString::fromStdString(dir.file("xdg/Parlaro")),
                                                "Parlaro"};
    parlaro::registry::RegistryStore store{locations};
    ScriptedPrompter prompter;
    parlaro::RegistryAccess reg{store, prompter, "Parlaro"};
    parlaro::KeyPaths paths = parlaro::KeyPaths::forProduct("Parlaro");
    parlaro::SettingsAccess globals{reg, paths};

    SettingsFixture() {
        reg.CreateKey("HKEY_CURRENT_USER\\Software\\Parlaro");
        reg.CreateKey("HKEY_LOCAL_MACHINE\\Software\\Parlaro");
    }

    parlaro::registry::Lookup at(parlaro::registry::Root root, const char* name) const {
        return store.get(root, "SOFTWARE\\Parlaro", name);
    }
    QByteArray userString(const char* name) const {
        return at(parlaro::registry::Root::CurrentUser, name).value.text;
    }
    QByteArray machineString(const char* name) const {
        return at(parlaro::registry::Root::LocalMachine, name).value.text;
    }
    void machineSets(const char* name, parlaro::registry::RegistryValue v) {
        store.set(parlaro::registry::Root::LocalMachine, "SOFTWARE\\Parlaro", name, std::move(v),
                  true);
    }
    void userSets(const char* name, parlaro::registry::RegistryValue v) {
        store.set(parlaro::registry::Root::CurrentUser, "SOFTWARE\\Parlaro", name, std::move(v),
                  true);
    }
};

}  // namespace testsupport
