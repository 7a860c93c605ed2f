#include "service/base/ApplicationVersion.h"

#include "pel/base/Assert.h"
#include "pel/base/Crc.h"
#include "pel/text/FormatString.h"
#include "pel/text/StringTemplate.h"

#include <cwchar>

namespace tessel {

namespace {

constexpr uint32_t MAJOR = 1;
constexpr uint32_t MINOR = 0;
constexpr uint32_t PATCH = 1;
constexpr char BUILD_ID[] = "20130317-2";

} // namespace

const ApplicationVersion& ApplicationVersion::get() {
    static const ApplicationVersion version;
    return version;
}

ApplicationVersion::ApplicationVersion()
    : m_major(MAJOR), m_minor(MINOR), m_patch(PATCH),
      m_versionText(pel::StringTemplate(L"{1}.{2}.{3}").arg(1, MAJOR).arg(2, MINOR).arg(3, PATCH).render()),
      m_packed((MAJOR << 16) | (MINOR << 8) | PATCH), m_buildId(BUILD_ID, BUILD_ID + sizeof BUILD_ID - 1),
      m_buildHash(pel::crc32Literal(BUILD_ID)), m_channel(L"stable"),
      m_fileText(pel::formatString(L"%d %d %d %x", MAJOR, MINOR, PATCH, m_buildHash)) {}

bool ApplicationVersion::parseFields(const wchar_t* text, int* o_major, int* o_minor, int* o_patch,
                                     unsigned int* o_hash) {
    PEL_CHECK_PTR(o_major);
    PEL_CHECK_PTR(o_minor);
    PEL_CHECK_PTR(o_patch);
    PEL_CHECK_PTR(o_hash);
    return text && std::swscanf(text, L"%d%d%d%x", o_major, o_minor, o_patch, o_hash) == 4;
}

uint32_t ApplicationVersion::parseVersion(const wchar_t* text) {
    int major = 0, minor = 0, patch = 0;
    unsigned int hash = 0;
    if (!parseFields(text, &major, &minor, &patch, &hash))
        return 0;
    return (static_cast<uint32_t>(major) << 16) | (static_cast<uint32_t>(minor) << 8) | static_cast<uint32_t>(patch);
}

} // namespace tessel
