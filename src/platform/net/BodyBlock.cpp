// The body block on mmap, advised to use transparent huge pages.
#include "platform/net/BodyBlock.h"

#include <sys/mman.h>

namespace vellum::net {

BodyBlock::~BodyBlock()
{
    Free();
}

bool BodyBlock::Allocate(size_t size)
{
    Free();
    size_t length = size ? size : 1;
    void* data = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED)
        return false;
    madvise(data, length, MADV_HUGEPAGE);
    m_data = static_cast<char*>(data);
    m_size = length;
    return true;
}

void BodyBlock::Free()
{
    if (m_data)
        munmap(m_data, m_size);
    m_data = nullptr;
    m_size = 0;
}

} // namespace vellum::net
