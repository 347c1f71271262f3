# A write that fails, set up for test_exportcli: sh writefailure.sh FAILURE
# FOLDER NAME PROGRAM ARGUMENTS... tries in turn, each in a numbered folder of
# FOLDER: as root in a private mount namespace, as root of a user namespace of
# its own, and without mounts; it prints the folder of the first try that
# worked (or found that permissions do not refuse this user) on its last line.
# Each try makes in its folder the input in.gpx (enough waypoints that every
# format's file spans several pages and a GPX file is written in pieces), the
# old file "old" and the failure, runs the program with its arguments and the
# target "target/NAME" in place of a "@" that ends an argument, and records what the test checks: the program's exit
# status ("status"), the reason the program should give ("reason", %1 for the
# file; empty when any will do), the target folder's entries, hidden ones too
# ("listing"), and the file's bytes afterwards ("after").
#
# The failures: "full" (nothing left) and "page" (one page left, so the
# write fails part-way) on a small tmpfs, where mounts can be made, else
# under a file size limit; "read-only", a read-only bind mount there (which
# holds for root too), else a folder without write permission; "folder", a
# target that is a folder. Exit 99: a mount failed; 98: permissions do not
# refuse this user.
if [ "$1" != --try ]; then
    failure=$1 top=$2
    shift 2
    n=0
    for way in "unshare --mount" "unshare --user --map-root-user --mount" ""; do
        n=$((n + 1))
        mkdir -p "$top/$n"
        mounts=no
        if [ -n "$way" ]; then mounts=yes; fi
        $way sh "$0" --try $mounts "$failure" "$top/$n" "$@"
        status=$?
        if [ $status = 0 ] || [ $status = 98 ]; then
            echo "$top/$n"
            exit $status
        fi
    done
    exit $status
fi
shift
mounts=$1 failure=$2 dir=$3 name=$4
shift 4
cd "$dir" || exit 99
printf 'the old file\000\001\377\n' >old
awk 'BEGIN {
    print "<?xml version=\"1.0\"?>"; print "<gpx>"
    for (i = 0; i < 2000; i++) {
        n = sprintf("%04d", i)
        print "<wpt lat=\"47." n "\" lon=\"7." n "\"><name>GC" n "</name><desc>Waypoint " n ", described at some length to fill the file</desc></wpt>"
    }
    print "</gpx>"
}' >in.gpx
mkdir -p target
target=target
run() {
    program=$1
    shift
    for a; do
        shift
        case $a in *@) a="${a%@}$dir/$target/$name" ;; esac
        set -- "$@" "$a"
    done
    "$program" "$@"
}
case $failure in
folder)
    mkdir "target/$name"
    echo 'Filename refers to a directory' >reason
    run "$@"
    status=$? ;;
read-only)
    cp old "target/$name"
    if [ "$mounts" = yes ]; then
        mount --bind target target && mount -o remount,bind,ro target || exit 99
        # The save file sees that it cannot replace the file.
        echo 'Existing file %1 is not writable' >reason
        run "$@"
        status=$?
    else
        chmod 500 target
        if (echo x >target/probe) 2>/dev/null; then
            chmod 700 target
            exit 98
        fi
        : >reason
        run "$@"
        status=$?
        chmod 700 target
    fi ;;
*)
    if [ "$mounts" = yes ]; then
        mkdir fs && mount -t tmpfs -o size=128k tmpfs fs || exit 99
        mkdir fs/target && cp old "fs/target/$name" || exit 99
        target=fs/target
        dd if=/dev/zero of=fs/filler bs=4096 2>/dev/null
        if [ "$failure" = page ]; then truncate -s -4096 fs/filler || exit 99; fi
        echo 'No space left on device' >reason
        run "$@"
        status=$?
    else
        # Blocks of 512 bytes; the signal a write beyond raises is ignored.
        cp old "target/$name"
        if [ "$failure" = full ]; then blocks=0; else blocks=2; fi
        echo 'File too large' >reason
        (trap '' XFSZ; ulimit -f $blocks && run "$@")
        status=$?
    fi ;;
esac
echo $status >status
echo "$dir/$target/$name" >file
ls -A "$target" >listing
cat "$target/$name" >after 2>/dev/null
exit 0
