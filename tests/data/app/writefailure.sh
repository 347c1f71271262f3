# Runs a program whose write fails, for test_cli: sh writefailure.sh FAILURE
# NAME PROGRAM ARGUMENTS... in a folder holding "old", which becomes the
# target fs/target/NAME before the run. It runs in a mount namespace of its own,
# as root or as root of a user namespace (exit 98 when neither can be had;
# 99 when the failure could not be set up), on a small tmpfs. The failures:
# "full" (nothing left) and "page" (one page left, so the write fails
# part-way); "read-only", a read-only bind mount, which holds for root too;
# "folder", a folder in the target's place. It prints the program's exit
# status, the target folder's entries, hidden ones too, and the target's
# bytes afterwards.
if [ "$1" != --inside ]; then
    for way in "unshare --mount" "unshare --user --map-root-user --mount"; do
        if $way true 2>/dev/null; then exec $way sh "$0" --inside "$@"; fi
    done
    exit 98
fi
failure=$2 name=$3
shift 3
mkdir fs && mount -t tmpfs -o size=128k tmpfs fs && mkdir fs/target &&
    cp old "fs/target/$name" || exit 99
case $failure in
full) dd if=/dev/zero of=fs/filler bs=4096 2>/dev/null || : ;;
page) dd if=/dev/zero of=fs/filler bs=4096 2>/dev/null; truncate -s -4096 fs/filler ;;
read-only) mount --bind fs/target fs/target && mount -o remount,bind,ro fs/target ;;
folder) rm "fs/target/$name" && mkdir "fs/target/$name" ;;
esac || exit 99
"$@" >/dev/null
echo $?
ls -A fs/target
cat "fs/target/$name" 2>/dev/null
exit 0
