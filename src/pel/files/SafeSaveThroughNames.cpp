// SafeSave of a target that must stay the same file (other names lead to it, or a new file would
// not have its owner or access rights): written in place, after a copy of its old bytes.

#include "pel/files/SafeSave.h"

#include "pel/files/FileUtilsSupport.h"
#include "pel/files/SafeSaveSteps.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"

namespace pel {

using namespace fileutils_detail;

bool SafeSave::commitThroughNames(void* temporary, bool* o_gone) {
    using namespace safesave;
    lastMoment();
    // Held against other writers from before its bytes are compared until the new ones are
    // written and flushed: what is compared is what is written over.
    Handle target;
    if (!whileHeld([&] {
            target.reset(::CreateFileW(m_native.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
            return target.valid();
        })) {
        const DWORD error = ::GetLastError();
        *o_gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        FileErrorObject::setError(error).addParam(m_path.c_str());
        return *o_gone ? false : fail(Step::REPLACE);
    }
    const FileStamp before = FileStamp::ofOpenFile(target.get());
    // The old bytes go to a copy beside the target first; their digest is taken as they go.
    const std::wstring copyPath = freeNameBeside(m_native);
    Handle copy(::CreateFileW(copyPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    FileDigester old;
    if (!copy.valid() || !copyBytes(target.get(), copy.get(), &old) || !::FlushFileBuffers(copy.get())) {
        FileErrorObject::setErrorFromSystem().addParam(copyPath.c_str());
        copy.close();
        ::DeleteFileW(copyPath.c_str());
        return fail(Step::REPLACE);
    }
    const FileDigest oldBytes = old.finish();
    const bool expected = !m_expecting || isExpected(before, [&] { return oldBytes; });
    if (!expected && m_other == Other::REFUSE) {
        m_found = {before, oldBytes};
        copy.close();
        ::DeleteFileW(copyPath.c_str());
        FileErrorObject::setError(FileErrorCode::TARGET_CHANGED).addParam(m_path.c_str());
        return fail(Step::CHECK);
    }
    // The new bytes over the old ones: every name of the file shows them.
    if (!copyBytes(temporary, target.get(), nullptr) || !::FlushFileBuffers(target.get())) {
        FileErrorObject::setErrorFromSystem().addParam(m_path.c_str());
        ErrorKeeper keep;
        const bool back = copyBytes(copy.get(), target.get(), nullptr) && ::FlushFileBuffers(target.get());
        target.close();
        copy.close();
        if (back) {
            ::DeleteFileW(copyPath.c_str());
        } else {
            m_kept = keepBeside(copyPath, m_native, L"as it was before a failed save");
            log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"SafeSave: '%s' could not be written back; its old bytes are in '%s'.\n",
                       m_path.c_str(), m_kept.empty() ? copyPath.c_str() : m_kept.c_str());
            if (m_kept.empty())
                m_kept = copyPath;
        }
        return fail(Step::REPLACE);
    }
    m_written = {FileStamp::ofOpenFile(target.get()), m_digester.finish()};
    target.close();
    copy.close();
    if (expected)
        ::DeleteFileW(copyPath.c_str());
    else
        keepReplaced(copyPath);
    return true;
}

} // namespace pel
