// A settings file as found on disk: the damage test, its lines, and the reserved ports of line 43.
#include "Fuzz.h"
#include "settings/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    if (SettingsFile::looksBinary(bytes))
        return 0;
    const QStringList lines = textfile::decode(bytes).lines;
    // Every line is tried as the port list: a damaged file can put any text there.
    for (const QString& line : lines) {
        const QList<std::int32_t> ports = SettingsFile::ParseReservedPorts(line);
        FUZZ_CHECK(!ports.contains(0));
        FUZZ_CHECK(SettingsFile::ParseReservedPorts(SettingsFile::reservedPortsText(ports)) == ports);
    }
    return 0;
}
