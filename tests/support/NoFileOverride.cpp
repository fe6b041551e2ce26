#include "support/NoFileOverride.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr unsigned kOverrides[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER};

bool setEffective(bool keep)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    for (unsigned cap : kOverrides) {
        if (keep) {
            data[cap / 32].effective |= data[cap / 32].permitted & (1u << (cap % 32));
        } else {
            data[cap / 32].effective &= ~(1u << (cap % 32));
        }
    }
    // Per thread: the raw call changes the calling thread only.
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

NoFileOverride::NoFileOverride() : m_dropped(::geteuid() == 0 && setEffective(false)) {}

NoFileOverride::~NoFileOverride()
{
    if (m_dropped) {
        setEffective(true);
    }
}

void NoFileOverride::dropForChild()
{
    for (unsigned cap : kOverrides) {
        ::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0);
    }
}
