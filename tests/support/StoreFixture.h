#pragma once
// A store of its own for the transfer suites: a host folder beside a stick,
// key material under a known password, the English pack and scripted
// answers to every message box.

#include "TestSupport.h"

#include "ScriptedMessageBox.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "security/SecParams.h"
#include "store/EncryptedStore.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace nbr::test {

struct StoreFixture {
    QTemporaryDir dir;
    QString host;
    QString root;
    SecParams keys;
    LanguageManager languages;
    ScriptedMessageBox answers;
    std::unique_ptr<EncryptedStore> store;

    StoreFixture()
    {
        host = dir.filePath(QStringLiteral("host"));
        root = dir.filePath(QStringLiteral("stick/Encrypted Data"));
        QDir().mkpath(host);
        const QByteArray pw = Utf16Le(QStringLiteral("password1"));
        (void)keys.CreateNew(reinterpret_cast<const std::uint8_t*>(pw.constData()), static_cast<std::size_t>(pw.size()));
        languages.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
        (void)languages.SelectLanguage(0, true);
        store = std::make_unique<EncryptedStore>(root, keys);
        MessageBox::Install(&answers);
    }
    ~StoreFixture() { MessageBox::Install(nullptr); }
    StoreFixture(const StoreFixture&) = delete;
    StoreFixture& operator=(const StoreFixture&) = delete;
};

}  // namespace nbr::test
