"""The shipped rsyslog configuration run by the real rsyslogd (offline, in a folder of its own) must
pass every object `explain --format jsonl` wrote back unchanged, odd bytes and 25,000-byte texts."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

tool, shipped_config, runs_folder = sys.argv[1:4]
rsyslogd = shutil.which("rsyslogd", path=os.environ.get("PATH", "") + ":/usr/sbin:/sbin")
if rsyslogd is None:
    print("SKIP: rsyslogd is not installed (Debian: apt-get install rsyslog)")
    sys.exit(77)  # the test's SKIP_RETURN_CODE
os.makedirs(runs_folder, exist_ok=True)
work = tempfile.mkdtemp(dir=runs_folder)
path = lambda name: os.path.join(work, name)  # noqa: E731

with open(path("trace.txt"), "wb") as trace:
    trace.write(b'[IMPORT] reading a.slc\n[UNDEF][!] [q"b\\|\x1b\xff.cpp, f\tn:7]\r\n'
                b'[UNDEF][!] [EC :306 ] \xc3( - "\r\n[UNDEF][?] [l.cpp, g:3]\n'
                b'[UNDEF][?] [EC :1900 ] s - ' + b"x" * 24973 + b"\n")
with open(path("campaign-errors.jsonl"), "wb") as lines:
    subprocess.run([tool, "explain", "--format", "jsonl", path("trace.txt")], stdout=lines,
                   check=True)
    lines.write(b"a line that is not JSON, which the configuration drops\n")
written = open(path("campaign-errors.jsonl"), encoding="utf-8").read().splitlines()
expected = [json.loads(line) for line in written[:-1]]
assert [o["type"] for o in expected] == ["record", "record", "trace"], expected

config = open(shipped_config, encoding="utf-8").read()
for shipped in ("/var/log/tervox/campaign-errors.jsonl", "/var/log/tervox/errors-collected.json"):
    assert shipped in config, f"the shipped configuration no longer names {shipped}"
    config = config.replace(shipped, path(os.path.basename(shipped)))
with open(path("rsyslog.conf"), "w", encoding="utf-8") as own:
    own.write(f'global(workDirectory="{work}")\n' + config)

daemon = subprocess.Popen([rsyslogd, "-n", "-f", path("rsyslog.conf"), "-i", path("rsyslogd.pid")],
                          stdout=open(path("rsyslogd.log"), "wb"), stderr=subprocess.STDOUT)
collected = []
try:
    deadline = time.monotonic() + 60  # only a failing run waits this long
    while len(collected) < len(expected) and daemon.poll() is None and time.monotonic() < deadline:
        time.sleep(0.2)
        if os.path.exists(path("errors-collected.json")):
            collected = open(path("errors-collected.json"), encoding="utf-8").read().splitlines()
finally:
    daemon.terminate()
    daemon.wait()
log = open(path("rsyslogd.log"), errors="replace").read()
assert [json.loads(line) for line in collected] == expected, f"in {work}:\n{log}{collected!s:.2000}"
shutil.rmtree(work)
print(f"rsyslogd passed on {len(expected)} objects unchanged")
