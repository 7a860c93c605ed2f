#pragma once
// The application's version record, built once on first use and kept until exit: the version
// numbers and text, the build id and its hash, the release channel. Config writes it into every
// configuration file as "major minor patch build-hash" ("1 0 1 12e4b4c8").

#include <cstdint>
#include <string>

namespace tessel {

class ApplicationVersion {
public:
    static const ApplicationVersion& get();

    uint32_t getMajor() const { return m_major; }
    uint32_t getMinor() const { return m_minor; }
    uint32_t getPatch() const { return m_patch; }
    // "1.0.1".
    const std::wstring& getVersionText() const { return m_versionText; }
    // Patch in the low byte, then minor, then major: as parseVersion packs them.
    uint32_t getPackedVersion() const { return m_packed; }
    const std::wstring& getBuildId() const { return m_buildId; }
    // CRC-32 of the build id's bytes.
    uint32_t getBuildHash() const { return m_buildHash; }
    const std::wstring& getChannel() const { return m_channel; }
    // A further text, empty in this release.
    const std::wstring& getExtra() const { return m_extra; }
    // The form configuration files carry: "%d %d %d %x" of major, minor, patch and build hash.
    const std::wstring& getFileText() const { return m_fileText; }

    // Reads the four fields of a file's version text ("%d%d%d%x"); false unless all convert.
    static bool parseFields(const wchar_t* text, int* o_major, int* o_minor, int* o_patch, unsigned int* o_hash);
    // (major << 16) | (minor << 8) | patch of a file's version text; 0 unless all four fields
    // convert (the fourth is not used).
    static uint32_t parseVersion(const wchar_t* text);

    ApplicationVersion(const ApplicationVersion&) = delete;
    ApplicationVersion& operator=(const ApplicationVersion&) = delete;

private:
    ApplicationVersion();

    uint32_t m_major;
    uint32_t m_minor;
    uint32_t m_patch;
    std::wstring m_versionText;
    uint32_t m_packed;
    std::wstring m_buildId;
    uint32_t m_buildHash;
    std::wstring m_channel;
    std::wstring m_extra;
    std::wstring m_fileText;
};

} // namespace tessel
