# Sourced by the set-up scripts: one set-up at a time on this machine, since
# apt's lock and binfmt_misc's registrations belong to the whole machine. A
# second run waits here for the first, then finds its work done. A script
# started by one that holds the lock inherits it (descriptor 9) and goes on.
setup_lock=${QUELMAR_SETUP_LOCK:-/run/lock/quelmar-setup.lock}
if ! [ /dev/fd/9 -ef "$setup_lock" ]; then
    [ -e "$setup_lock" ] || : >>"$setup_lock"
    exec 9<"$setup_lock"    # read-only: a lock file made by another user still opens
    if ! flock -n 9; then
        echo "Another set-up of this machine is running: waiting for it to end." >&2
        flock 9
    fi
fi
