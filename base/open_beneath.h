#pragma once

#include <string_view>

// Opening a file by a path that must stay inside one folder. The kernel
// resolves the path from a descriptor of the folder and refuses every way
// out while it resolves: ".." above the folder, an absolute path or
// symbolic link, a relative link that climbs out. What a caller checked by
// name therefore cannot be swapped for a link to another file between the
// check and the read.

// openat2 with RESOLVE_BENEATH, or OpenBeneathByWalking where the kernel has
// no openat2. `flags` are open(2) flags; O_CLOEXEC is always added. Returns
// the new descriptor, or -1 with errno set (EXDEV for a way out).
int OpenBeneath(int folderFd, std::string_view path, int flags);

// The same rule kept by user space: one component at a time, each opened
// with O_NOFOLLOW from the folder opened before it, relative links read and
// followed by hand (at most 40), ".." taken back only as far as the folder.
// A folder that another process moves out of the tree during the walk is not
// noticed; openat2 notices it.
int OpenBeneathByWalking(int folderFd, std::string_view path, int flags);
