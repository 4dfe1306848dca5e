#!/usr/bin/env bash
# Sits a test of 20 students from a program folder on a Samba share mounted through smbnetfs
# (FUSE), while the scores are refreshed and the exam room saved; kills some students mid-test
# and logs them in again; stops the server for a while mid-test. Prints what it saw and
# PASS/FAIL. Needs root (smbd, FUSE). Not part of the test run.
#
#   scripts/share-soak.sh <build folder>      (the folder holding tools/sharesoak/sharesoak)
#
# Runs its own smbd on 127.0.0.1 only, with its own configuration and folders under a temporary
# folder, and stops everything it started at the end. The system's samba service is not touched.
set -u
BUILD=$(cd "${1:?build folder}" && pwd)
DRIVER="$BUILD/tools/sharesoak/sharesoak"
[ -x "$DRIVER" ] || { echo "no $DRIVER"; exit 2; }
STUDENTS=${STUDENTS:-20}
KILLED=${KILLED:-4}
T=$(mktemp -d /tmp/share-soak.XXXXXX)
mkdir -p "$T"/{share,pid,lock,state,cache,private,ncalrpc,log,home/.smb,mnt,out,work}
chmod 777 "$T/share"

cat > "$T/smb.conf" <<CONF
[global]
  interfaces = 127.0.0.1
  bind interfaces only = yes
  pid directory = $T/pid
  lock directory = $T/lock
  state directory = $T/state
  cache directory = $T/cache
  private dir = $T/private
  ncalrpc dir = $T/ncalrpc
  log file = $T/log/smbd.log
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
  map to guest = Bad User
  server role = standalone server
[share]
  path = $T/share
  read only = no
  guest ok = yes
  force user = root
CONF
printf 'show_$_shares "true"\nsmb_query_browsers "false"\nauth "guest" ""\n' > "$T/home/.smb/smbnetfs.conf"
touch "$T/home/.smb/smb.conf"
chmod 600 "$T/home/.smb/"*

start_smbd() { smbd -D -s "$T/smb.conf"; for _ in $(seq 50); do [ -s "$T/pid/smbd.pid" ] && break; sleep 0.1; done; }
stop_smbd() { [ -s "$T/pid/smbd.pid" ] && kill "$(cat "$T/pid/smbd.pid" 2>/dev/null)" 2>/dev/null; for _ in $(seq 50); do [ -s "$T/pid/smbd.pid" ] || break; kill -0 "$(cat "$T/pid/smbd.pid" 2>/dev/null)" 2>/dev/null || break; sleep 0.1; done; rm -f "$T/pid/smbd.pid"; }
cleanup() {
    for f in "$T"/out/*.pid; do [ -s "$f" ] && kill -KILL "$(cat "$f")" 2>/dev/null; done
    for p in $(jobs -p); do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    fusermount -u "$T/mnt" 2>/dev/null || umount -l "$T/mnt" 2>/dev/null
    [ -n "${SMBNETFS_PID:-}" ] && kill "$SMBNETFS_PID" 2>/dev/null
    stop_smbd
}
trap cleanup EXIT

start_smbd
HOME="$T/home" smbnetfs "$T/mnt" -f -o allow_other > "$T/log/smbnetfs.log" 2>&1 &
SMBNETFS_PID=$!
for _ in $(seq 50); do [ -d "$T/mnt/127.0.0.1/share" ] && break; sleep 0.2; done
ROOT="$T/mnt/127.0.0.1/share/exam"
SERVER="$T/share/exam"

# The program folder on the share: the driver and the data tree beside it. A server that has
# just started may refuse the first calls.
for _ in $(seq 50); do mkdir -p "$ROOT/sys" "$ROOT/SHIJUAN/Unit3" "$ROOT/CHENGJI/Unit3" 2>/dev/null && break; sleep 0.3; done
cp "$DRIVER" "$ROOT/sharesoak"
printf '[TestName]\r\nTestNameCount=1\r\n1=Unit3\r\nUnit3=1\r\n[ClassName]\r\nClassNameCount=1\r\n1=Grade2A\r\n[FirstNumber]\r\nGrade2A=1\r\n[LastNumber]\r\nGrade2A=%s\r\n[Unit3]\r\nGrade2A=1\r\n' "$STUDENTS" > "$ROOT/sys/sys.cho"
{
    printf '[MAIN]\r\nTESTtime=30\r\nRELOGINPASSWD=1\r\nQuestion_conut= 12\r\nMark= 5\r\nfull_mark= 60\r\n'
    for i in $(seq 12); do printf '[%s]\r\nQUESTION=q%s.RTF\r\nexplain=e%s.RTF\r\nanswer=%s\r\nmark=\r\n' "$i" "$i" "$i" $((i % 7 + 1)); done
} > "$ROOT/SHIJUAN/Unit3/Unit3.cho"
for i in $(seq 12); do
    printf '{\\rtf1\\ansi Question %s\\par}' "$i" > "$ROOT/SHIJUAN/Unit3/q$i.RTF"
    printf '{\\rtf1\\ansi Explain %s\\par}' "$i" > "$ROOT/SHIJUAN/Unit3/e$i.RTF"
done
MAXSECS=${MAXSECS:-150}
# Each session is a machine of its own. As the classroom starter does (scripts/install-machine.sh),
# a machine runs a local copy of the program for the folder on the share: a program paged in
# from the share dies with SIGBUS when the network goes.
machine_copy() { # name: copies the program to that machine, as its starter does
    mkdir -p "$T/machines/$1"
    cp -p "$ROOT/sharesoak" "$T/machines/$1/sharesoak"
}
run() { # name, args...: each session with its own work folder; its pid goes to out/<name>.pid
    local name=$1; shift
    mkdir -p "$T/work/$name"
    rm -f "$T/out/$name.pid"
    # A machine that cannot reach the share (the outage) is started again a second later, as a
    # student would, for up to a minute.
    ( for _ in $(seq 60); do
          cd "$ROOT" 2>/dev/null && { [ -x "$T/machines/$name/sharesoak" ] || machine_copy "$name" 2>/dev/null; } && break
          rm -f "$T/machines/$name/sharesoak"; echo "start-retried" >> "$T/out/$name.starts"; sleep 1
      done
      XDG_CACHE_HOME="$T/work/$name" EXAM_PROGRAM_FOLDER="$ROOT" QT_LOGGING_RULES="exam.saves.info=true" \
          QT_MESSAGE_PATTERN="%{time yyyy-MM-ddTHH:mm:ss.zzz} %{category}: %{message}" "$T/machines/$name/sharesoak" "$@" > "$T/out/$name.log" 2>&1 &
      echo $! > "$T/out/$name.pid"
      wait $!
      echo $? > "$T/out/$name.rc" ) &
    for _ in $(seq 100); do [ -s "$T/out/$name.pid" ] && break; sleep 0.01; done
}
# The machines have run the program before: their copies are there when the test starts.
for name in scores room $(seq -f 's%g' "$STUDENTS"); do machine_copy "$name"; done

START=$(date +%s.%N)
WAIT=()
run scores scores "$STUDENTS" 40; WAIT+=($!)
run room room 40; WAIT+=($!)
for s in $(seq "$STUDENTS"); do run "s$s" student "$s"; WAIT+=($!); done
# Students 1..KILLED are killed at a random moment mid-test, then log in again.
for s in $(seq "$KILLED"); do
    ( sleep "$(awk -v s=$s 'BEGIN{srand(s*7+systime()); printf "%.2f", 1.5+rand()*3}')"
      kill -KILL "$(cat "$T/out/s$s.pid")" 2>/dev/null
      echo "killed $(date +%s.%N)" > "$T/out/s$s.killed"
      sleep 1.5
      run "s$s-relogin" student "$s" resume
      wait ) &
    WAIT+=($!)
done
# The server goes away for 4 s mid-test and comes back.
( sleep 6; echo "outage $(date +%s.%N)" > "$T/out/outage"; stop_smbd; sleep 4; start_smbd; echo "back $(date +%s.%N)" >> "$T/out/outage" ) &
WAIT+=($!)
# Sessions still running after MAXSECS are hung: they are stopped and count as such.
( sleep "$MAXSECS"; for f in "$T"/out/*.pid; do kill -0 "$(cat "$f")" 2>/dev/null && { echo "$(basename "$f" .pid)" >> "$T/out/hung"; kill -KILL "$(cat "$f")"; }; done ) &
WATCHDOG=$!
wait "${WAIT[@]}"
kill "$WATCHDOG" 2>/dev/null
END=$(date +%s.%N)

python3 - "$T" "$SERVER" "$STUDENTS" "$KILLED" <<'PY'
import os, re, sys, glob, time
T, server, students, killed = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
def log(name):
    p = f"{T}/out/{name}.log"
    return open(p, errors="replace").read().splitlines() if os.path.exists(p) else []
def record(n):
    p = f"{server}/CHENGJI/Unit3/Grade2A{n}.cho"
    keys = {}
    if os.path.exists(p):
        for line in open(p, encoding="latin-1").read().splitlines():
            if "=" in line and not line.startswith("["):
                k, v = line.split("=", 1); keys[k.strip().lower()] = v.strip()
    return keys
ot = open(f"{T}/out/outage").read().split() if os.path.exists(f"{T}/out/outage") else []
# The outage, and 3 s after it for the client to find the server again.
down = (float(ot[1]) * 1000, float(ot[3]) * 1000 + 3000) if len(ot) >= 4 else (0, 0)
during = lambda ms: down[0] <= ms <= down[1]
saves = failed = 0; longest_save = 0; longest_hold = 0; longest_finish = 0; longest_exit = 0
lost = incomplete = relogins = relogin_ok = not_saved = 0
for n in range(1, students + 1):
    names = [f"s{n}"] + ([f"s{n}-relogin"] if n <= killed else [])
    answers = {}
    for name in names:
        for line in log(name):
            f = line.split()
            if len(f) >= 3 and f[1] == "exam.saves:":
                # Every write of the record in the background, and whether the record took it.
                ms = time.mktime(time.strptime(f[0][:19], "%Y-%m-%dT%H:%M:%S")) * 1000 + int(f[0][20:23])
                saves += 1
                if "NOT written" in line and not during(ms):
                    failed += 1
                    print(f"  {name}: a {f[3]} save failed outside the outage: {line}")
                m = re.search(r"in (\d+) ms|\((\d+) ms\)", line)
                if m: longest_save = max(longest_save, int(m.group(1) or m.group(2)))
            elif f[0] == "finish":
                longest_finish = max(longest_finish, int(f[2])); not_saved += f[1] != "1"
            elif f[0] == "longest-hold":
                longest_hold = max(longest_hold, int(f[1]))
            elif f[0] == "held":
                print(f"  {name}: {f[1]} held the window {f[2]} ms ({'in' if during(int(f[3])) else 'outside'} the outage)")
            elif f[0] == "exit-removals":
                longest_exit = max(longest_exit, int(f[1]))
            elif f[0] == "answer":
                answers[int(f[1])] = int(f[2])
            elif f[0] == "resumed-position":
                pass
    if n <= killed:
        relogins += 1
        rl = log(f"s{n}-relogin")
        resumed = {int(l.split()[1]): int(l.split()[2]) for l in rl if l.startswith("resumed ")}
        fresh = any(l.startswith("relogin-as-new") for l in rl) and any(l.startswith("finish 1") for l in rl)
        if (resumed or fresh) and not any(l.startswith(("relogin-refused", "identify-failed")) for l in rl):
            relogin_ok += 1
        # Answers the first session gave more than a second before the kill must come back.
        kf = f"{T}/out/s{n}.killed"
        kill_ms = float(open(kf).read().split()[1]) * 1000 if os.path.exists(kf) else None
        for f in (l.split() for l in log(f"s{n}") if l.startswith("answer ")):
            if kill_ms and int(f[3]) < kill_ms - 1000 and resumed.get(int(f[1])) != int(f[2]):
                lost += 1
                print(f"  student {n}: answer at position {f[1]} given {kill_ms - int(f[3]):.0f} ms before the kill was not resumed")
    rec = record(n)
    if not rec.get(f"{n}time2") or not rec.get(f"{n}df"):
        incomplete += 1
        continue
    order = [int(rec.get(f"{n}sx{k}", "0") or 0) for k in range(1, 13)]
    for pos, code in answers.items():
        q = order[pos - 1] if 0 < pos <= 12 else 0
        if q == 0 or int(rec.get(f"{n}da{q}", "0") or 0) != code:
            lost += 1
left_locks = [p for p in glob.glob(f"{server}/**/*.lck*", recursive=True)]
left_temps = [p for p in glob.glob(f"{server}/**/*", recursive=True) if re.search(r"\.cho\.[A-Za-z0-9]{6}$", p)]
missed = 0; refreshes = 0
for line in log("scores"):
    m = re.match(r"refreshes (\d+) missed (\d+)", line)
    if m: refreshes = int(m.group(1))
    m = re.match(r"refresh-missed (\d+) (\d+)", line)
    if m and not during(int(m.group(2))): missed += 1
room = [l for l in log("room") if l.startswith("room-saves")]
hung = open(f"{T}/out/hung").read().split() if os.path.exists(f"{T}/out/hung") else []
print(f"sessions hung and stopped after the time limit: {len(hung)} {' '.join(hung)}")
print(f"record writes tried {saves}, failed outside the outage {failed}")
print(f"longest record write {longest_save} ms, longest hold of the window {longest_hold} ms, longest finish {longest_finish} ms")
print(f"finishes reported NOT saved: {not_saved}")
print(f"longest wait at exit for removals the share refused: {longest_exit} ms")
# Ended by a signal other than the kills of the script (137): SIGBUS, an abort, a crash.
crashed = [f"{n[:-3]}(rc {open(f'{T}/out/{n}').read().strip()})" for n in sorted(os.listdir(f"{T}/out"))
           if n.endswith(".rc") and open(f"{T}/out/{n}").read().strip() not in ("0", "1", "3", "4", "137")]
print(f"sessions that crashed: {len(crashed)} {' '.join(crashed)}")
print(f"answers lost {lost}, records incomplete {incomplete}")
print(f"relogins after a kill: {relogin_ok} of {relogins} resumed (or, killed before the start was written, started anew)")
print(f"lock files left {len(left_locks)}, temp files left {len(left_temps)}")
print(f"scores refreshes {refreshes}, records missed outside the outage {missed}")
print("exam room: " + (room[0] if room else "no report"))
for p in left_locks + left_temps: print("  left:", p)
ok = not hung and not crashed and failed == 0 and lost == 0 and incomplete == 0 and not left_locks and not left_temps and relogin_ok == relogins \
     and longest_hold <= 500 and missed == 0 and not_saved == 0
print("PASS" if ok else "FAIL")
PY
echo "took $(awk -v a="$START" -v b="$END" 'BEGIN{printf "%.0f", b-a}') s; logs in $T/out"
