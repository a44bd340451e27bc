#include "fileservice/FileServiceInternal.h"
#include "fileservice/SafeRead.h"

namespace fileservice {

FileHandle::~FileHandle() {
    if (m_fd >= 0) (void)CloseDescriptor(m_fd, m_path);
}

FileHandle::FileHandle(FileHandle&& other) noexcept : m_fd(other.m_fd), m_path(std::move(other.m_path)) {
    other.m_fd = -1;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) (void)CloseDescriptor(m_fd, m_path);
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

Status FileHandle::Close() {
    const int fd = m_fd;
    m_fd = -1;
    if (fd >= 0) return CloseDescriptor(fd, m_path);
    return {};
}

}  // namespace fileservice
