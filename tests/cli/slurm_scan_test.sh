#!/usr/bin/env bash
# scripts/cluster/slurm-scan against a single-node Slurm this test starts
# itself (munged, slurmctld, slurmd; as root, state and spool in a temporary
# folder): the array job and the merge job write what one quilve-scan run
# writes. The daemons are stopped by their process ids. Skipped, with the
# reason, where they cannot be started.
#   slurm_scan_test.sh QUILVE_SCAN SOURCE_DIR
set -uo pipefail
scan=$1
root=$2
skip() { echo "SKIPPED: $*"; exit 77; }
[[ $(id -u) -eq 0 ]] || skip "starting slurmctld, slurmd and munged needs root"
for p in munged slurmctld slurmd sbatch sinfo scontrol; do
  command -v "$p" >/dev/null || skip "$p is not installed (Debian: munge slurmctld slurmd slurm-client)"
done
. "$root/tests/cli/cluster_test_lib.sh"

tmp=$(mktemp -d /tmp/quilve-slurm-XXXXXX)
chmod 755 "$tmp"
pids=()
stop_daemons() {
  local pid i
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do
    for ((i = 0; i < 50; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
    kill -KILL "$pid" 2>/dev/null
  done
  pids=()
}
show_logs() {
  local f
  for f in "$tmp"/munged.log "$tmp"/slurmctld.log "$tmp"/slurmd.log; do
    [[ -f "$f" ]] && { echo "--- $f"; tail -n 15 "$f"; }
  done
}
trap 'stop_daemons; rm -rf "$tmp"' EXIT

# munge: a fresh key and socket of this test's own.
mkdir -m 700 "$tmp/munge"
dd if=/dev/urandom of="$tmp/munge/munge.key" bs=1024 count=1 status=none
chmod 400 "$tmp/munge/munge.key"
socket="$tmp/munge/munge.socket"
munged --foreground --force --socket="$socket" --key-file="$tmp/munge/munge.key" \
  --pid-file="$tmp/munge/munged.pid" --log-file="$tmp/munged.log" --seed-file="$tmp/munge/seed" \
  >>"$tmp/munged.log" 2>&1 &
pids+=($!)
for ((i = 0; i < 50; i++)); do [[ -S "$socket" ]] && break; sleep 0.1; done
[[ -S "$socket" ]] || { show_logs; skip "munged did not start"; }

host=$(hostname -s)
base=$((20000 + $$ % 20000))
mkdir -p "$tmp/state" "$tmp/spool"
export SLURM_CONF="$tmp/slurm.conf"
cat >"$SLURM_CONF" <<CONF
ClusterName=quilvetest
SlurmctldHost=$host
SlurmctldPort=$base
SlurmdPort=$((base + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$socket
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
ReturnToService=2
SlurmctldTimeout=30
SlurmdTimeout=30
NodeName=$host CPUs=$(nproc) RealMemory=1000 State=UNKNOWN
PartitionName=quilvetest Nodes=$host Default=YES MaxTime=30 State=UP
CONF
slurmctld -D -c -i -f "$SLURM_CONF" >>"$tmp/slurmctld.log" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" -N "$host" >>"$tmp/slurmd.log" 2>&1 &
pids+=($!)
state=""
for ((i = 0; i < 60; i++)); do
  state=$(timeout 5 sinfo -h -n "$host" -o %t 2>/dev/null | head -1)
  [[ "$state" == idle* ]] && break
  sleep 0.5
done
[[ "$state" == idle* ]] || { show_logs; skip "the single-node Slurm did not come up (node state: ${state:-none})"; }

make_recordings "$tmp/rec"
mkdir -p "$tmp/one" "$tmp/slurm"
"$scan" -q "${scan_options[@]}" $(outputs_in "$tmp/one") "$tmp/rec"
# One recording of the folder cannot be read: 3, the scan ran and said so.
(($? == 3)) || { echo "one-machine run did not end with 3"; exit 1; }
ids=$(timeout 150 "$root/scripts/cluster/slurm-scan" --wait -n 3 --partition quilvetest --time 5 --mem 100 \
  --work "$tmp/work" --scan "$scan" "${scan_options[@]}" $(outputs_in "$tmp/slurm") -q -- "$tmp/rec")
status=$?
if ((status != 3)); then
  echo "slurm-scan did not end with the merge's 3 ($status)"
  cat "$tmp/work"/*.log 2>/dev/null
  show_logs
  exit 1
fi
array=$(echo "$ids" | head -1)
merge=$(echo "$ids" | tail -1)
same_outputs "$tmp/one" "$tmp/slurm" || exit 1
ls "$tmp/work"/shard-{0,1,2}-of-3.qo >/dev/null || exit 1
# The merge started once every task had ended, in the partition and with
# the memory and time passed through.
jobs=$(timeout 10 scontrol -o show job)
last_end=$(echo "$jobs" | grep "ArrayJobId=$array " | grep -o 'EndTime=[^ ]*' | sort | tail -1 | cut -d= -f2)
merge_line=$(echo "$jobs" | grep "^JobId=$merge ")
merge_start=$(echo "$merge_line" | grep -o 'StartTime=[^ ]*' | cut -d= -f2)
[[ -n "$last_end" && -n "$merge_start" && ! "$merge_start" < "$last_end" ]] ||
  { echo "the merge job started ($merge_start) before the last shard ended ($last_end)"; exit 1; }
for field in Partition=quilvetest TimeLimit=00:05:00 MinMemoryNode=100M JobState=COMPLETED; do
  echo "$merge_line" | grep -q "$field" || { echo "merge job: no $field in: $merge_line"; exit 1; }
done
echo "slurm-scan: array job $array (3 tasks) and merge job $merge give the bytes of one run"

slurm_scan() {
  timeout 150 "$root/scripts/cluster/slurm-scan" --partition quilvetest --time 5 --mem 100 --scan "$scan" \
    "${scan_options[@]}" -q "$@"
}
export QUILVE_SLURM_POLL=0.5

# Throttled, with the merge's own limits: the array runs one task at a time;
# the merge is one job with its limits, not an array.
mkdir -p "$tmp/throttled"
ids=$(slurm_scan --wait -n 3 --throttle 1 --merge-time 3 --merge-mem 50 --work "$tmp/work-throttled" \
  $(outputs_in "$tmp/throttled") -- "$tmp/rec")
(($? == 3)) || { echo "throttled slurm-scan failed"; cat "$tmp/work-throttled"/*.log; exit 1; }
same_outputs "$tmp/one" "$tmp/throttled" || exit 1
array=$(echo "$ids" | head -1)
merge=$(echo "$ids" | tail -1)
jobs=$(timeout 10 scontrol -o show job)
merge_line=$(echo "$jobs" | grep "^JobId=$merge ")
echo "$merge_line" | grep -q "ArrayJobId=" && { echo "the merge job is an array: $merge_line"; exit 1; }
for field in TimeLimit=00:03:00 MinMemoryNode=50M JobState=COMPLETED; do
  echo "$merge_line" | grep -q "$field" || { echo "merge job: no $field in: $merge_line"; exit 1; }
done
task_lines=$(echo "$jobs" | grep "ArrayJobId=$array ")
[[ $(echo "$task_lines" | grep -c "TimeLimit=00:05:00 ") -eq 3 ]] || { echo "shard tasks: not 3 with their limit: $task_lines"; exit 1; }
echo "$task_lines" | grep -q "ArrayTaskThrottle=1 " || { echo "shard tasks: no throttle of 1: $task_lines"; exit 1; }
# An --array of one's own is refused before anything is submitted.
before=$(timeout 10 scontrol -o show job | wc -l)
refused=$(slurm_scan --sbatch-option --array=0-3%2 -n 3 --work "$tmp/work-refused" -o "$tmp/r.txt" -- "$tmp/rec" 2>&1)
status=$?
[[ $status -eq 2 && "$refused" == *"--throttle"* ]] || { echo "--sbatch-option --array: status $status: $refused"; exit 1; }
[[ $(timeout 10 scontrol -o show job | wc -l) -eq $before ]] || { echo "--sbatch-option --array submitted a job"; exit 1; }
echo "slurm-scan: --throttle limits the shard array only; the merge has its own limits"

# One task fails (its outcome file's name is taken by a folder): --wait
# fails and names that task, the merge never runs, the old results stay.
cp "$tmp/slurm/results.txt" "$tmp/results.before"
cp "$tmp/slurm/summary.json" "$tmp/summary.before"
mkdir -p "$tmp/work-fail/shard-1-of-3.qo"
ids=$(slurm_scan --wait -n 3 --work "$tmp/work-fail" $(outputs_in "$tmp/slurm") -- "$tmp/rec" 2>"$tmp/fail.err")
status=$?
array=$(echo "$ids" | head -1)
merge=$(echo "$ids" | tail -1)
((status != 0)) || { echo "slurm-scan --wait exited 0 with a failed task"; cat "$tmp/fail.err"; exit 1; }
grep -q "shard job $array task 1: FAILED" "$tmp/fail.err" || { echo "the failed task is not named:"; cat "$tmp/fail.err"; exit 1; }
grep -q "merge job $merge: CANCELLED" "$tmp/fail.err" || { echo "the cancelled merge is not named:"; cat "$tmp/fail.err"; exit 1; }
grep -q "task [02]:" "$tmp/fail.err" && { echo "a task that succeeded is named as failed:"; cat "$tmp/fail.err"; exit 1; }
cmp "$tmp/results.before" "$tmp/slurm/results.txt" || { echo "the old results changed"; exit 1; }
cmp "$tmp/summary.before" "$tmp/slurm/summary.json" || { echo "the old summary changed"; exit 1; }
echo "slurm-scan --wait: a failed task is named, exits $status and leaves the results as they were"
