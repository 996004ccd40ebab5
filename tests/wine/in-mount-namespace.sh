#!/bin/sh
# Runs the command in a mount namespace of its own, where its tests may mount
# small or read-only file systems without touching the machine's; where no
# namespace can be made, runs it as it is and the tests that need one skip.
if unshare --mount --propagation private true 2>/dev/null; then
  IN_MOUNT_NAMESPACE=1 exec unshare --mount --propagation private "$@"
fi
exec "$@"
