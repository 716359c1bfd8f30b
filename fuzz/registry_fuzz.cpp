// Any bytes as a hive file: parsing must not crash or read outside the data, and what the writer
// makes of the result must read back to exactly the same hive (the lines that could not be read
// included), or a later write would change or drop what an earlier one kept.

#include "platform/registry/hive.h"
#include "platform/registry/regdocument.h"
#include "platform/registry/regwriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const RegDocument doc = RegDocument::parse(bytes);

    Hive hive(RegRoot::CurrentUser);
    hive.apply(doc, true);
    const QByteArray first = RegWriter::hiveFile(hive);

    Hive again(RegRoot::CurrentUser);
    again.apply(RegDocument::parse(first), true);
    const QByteArray second = RegWriter::hiveFile(again);
    if (first != second) {
        std::fprintf(stderr, "hive changed on rewrite:\n--- first\n%s\n--- second\n%s\n",
                     first.constData(), second.constData());
        std::abort();
    }

    // As an import: only readable entries, every root.
    for (const RegRoot root : {RegRoot::ClassesRoot, RegRoot::LocalMachine}) {
        Hive imported(root);
        imported.apply(doc, false);
        const QByteArray exported = RegWriter::exportKey(imported, QString());
        for (const auto &key : imported.rootKey().children())
            RegWriter::exportKey(imported, key->name());
        for (const HiveKey::Value &value : imported.rootKey().values())
            (void)value.value.displayText();
        (void)exported;
    }
    for (const RegDocument::Entry &entry : doc.entries()) {
        (void)entry.value.displayText();
        (void)entry.value.toStringList();
    }
    return 0;
}
