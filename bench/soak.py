#!/usr/bin/env python3
"""A soak of the headless client against zumaset-vansim on 127.0.0.1.

The client runs in on-line mode (a pass every 20 seconds, and passes asked
for with "zumasetctl cycle" in between) while files of both kinds arrive in
its outbound folder and the simulator answers with random faults: errors,
dropped connections, cut bodies, stalls, wrong checksums. Then the files stop
coming, the faults stop, and the client is given time to send everything and
fetch every receipt.

At the end every file must be on the server byte for byte or still waiting in
the outbound folder, every receipt must be in the inbound folder exactly once,
and the client's memory and open file descriptors are compared between the
start and the end. Prints the figures; exits 1 when a check fails.

    bench/soak.py BUILD_DIR [--seconds 180] [--files 2000] [--seed N]
"""

import argparse
import collections
import hashlib
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

USER, PASSWORD = "SOAK01", "heslo"
OFFICE = "CZ530000"

# Faults that leave the server's state as it was (the page does nothing, or
# only reads), so a file the client believes unsent is not on the server.
# A cut answer after a stored last chunk would make the client send the file
# again, and the server would then issue a second receipt: the protocol
# cannot tell those apart, so that fault is not part of this soak.
FAULTS = [
    "upload_prg.asp status 500",
    "upload_prov.asp status 503",
    "upload_prg.asp drop",
    "upload_prov.asp drop",
    "upload_prg.asp wrong-crc",
    "upload_prov.asp wrong-crc",
    "upload_prov.asp stall-before 2",
    "download_list.asp status 500",
    "download_list.asp drop-middle",
    "download_down.asp status 500",
    "download_down.asp drop-middle",
    "download_down.asp stall-middle 2",
    "download_move.asp status 500",
    "download_move.asp drop",
]


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build", help="the build folder")
    parser.add_argument("--seconds", type=int, default=180, help="how long files arrive (default 180)")
    parser.add_argument("--files", type=int, default=2000, help="files of both kinds in all (default 2000)")
    parser.add_argument("--drain", type=int, default=900, help="seconds allowed to finish afterwards")
    parser.add_argument("--seed", type=int, default=None, help="seed of the random faults and sizes")
    return parser.parse_args()


class Soak:
    def __init__(self, args):
        self.args = args
        self.build = os.path.abspath(args.build)
        self.ctl = os.path.join(self.build, "src/app/zumasetctl")
        self.client_program = os.path.join(self.build, "src/app/zumaset")
        self.vansim_program = os.path.join(self.build, "tools/vansim/zumaset-vansim")
        self.seed = args.seed if args.seed is not None else random.randrange(1 << 30)
        self.random = random.Random(self.seed)
        self.work = tempfile.mkdtemp(prefix="zumaset-soak.")
        self.server = os.path.join(self.work, "server")
        self.outbound = os.path.join(self.work, "Na_CU")
        self.inbound = os.path.join(self.work, "Z_CU")
        self.logs = os.path.join(self.work, "Logy")
        self.env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "NOTIFY_SOCKET", "INVOCATION_ID"):
            self.env.pop(name, None)
        self.env.update(XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                        XDG_DATA_HOME=os.path.join(self.work, "data"),
                        XDG_RUNTIME_DIR=os.path.join(self.work, "run"), LC_ALL="C.UTF-8")
        self.vansim = None
        self.client = None
        self.sent = {}  # file name -> (kind, sha256 of its content)
        self.failures = []
        self.memory_warm = None  # a quarter into the load, once the client's buffers are in use

    # --- processes ---------------------------------------------------------

    def start_vansim(self):
        os.makedirs(self.server)
        with open(os.path.join(self.server, "accounts.txt"), "w") as accounts:
            accounts.write(f"{USER}:{PASSWORD}:xml\n")
        out = open(os.path.join(self.work, "vansim.out"), "w")
        self.vansim = subprocess.Popen([self.vansim_program, "--data", self.server, "--port", "0",
                                        "--receipt-delay", "0"], stdout=out, stderr=subprocess.STDOUT)
        for _ in range(200):
            with open(os.path.join(self.work, "vansim.out")) as text:
                match = re.search(r"https://127\.0\.0\.1:(\d+) ca=(\S+)", text.read())
            if match:
                return match.group(1), match.group(2)
            time.sleep(0.05)
        raise SystemExit("the simulator did not start")

    def configure(self, port, ca):
        os.makedirs(os.path.join(self.env["XDG_CONFIG_HOME"], "zumaset/ca"))
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        shutil.copy(ca, os.path.join(self.env["XDG_CONFIG_HOME"], "zumaset/ca/vansim.pem"))
        for folder in (self.outbound, self.inbound, self.logs, os.path.join(self.outbound, "Praha")):
            os.makedirs(folder, exist_ok=True)
        settings = {
            "User": USER, "ServerTxt": f"127.0.0.1:{port}", "ServerXml": f"127.0.0.1:{port}",
            "SourcePath": self.outbound, "RetValPath": self.inbound, "ArchivPath": os.path.join(self.work, "Archiv"),
            "LogsPath": self.logs, "ErrLogPath": self.logs, "ConLogPath": self.logs,
            "CuMode": "0", "CuOption": f"ALL_FILES|{OFFICE}%", "ArchiveFiles": "false",
            "WriteLogFile": "true", "OnLineMode": "true", "ShowErrMessage": "false",
        }
        for name, value in settings.items():
            self.run_ctl("config", "set", name, value)
        subprocess.run([self.ctl, "config", "set", "Pass", "-"], input=PASSWORD + "\n", text=True, env=self.env,
                       check=True, stdout=subprocess.DEVNULL)

    def run_ctl(self, *arguments, check=True):
        return subprocess.run([self.ctl, *arguments], env=self.env, check=check, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True)

    def start_client(self):
        out = open(os.path.join(self.work, "client.out"), "w")
        self.client = subprocess.Popen([self.client_program], env=self.env, stdout=out, stderr=subprocess.STDOUT)
        for _ in range(200):
            if self.run_ctl("status", check=False).returncode == 0:
                return
            if self.client.poll() is not None:
                break
            time.sleep(0.05)
        raise SystemExit("the client did not start: " + open(os.path.join(self.work, "client.out")).read())

    def stop(self):
        status = None
        if self.client and self.client.poll() is None:
            self.client.send_signal(signal.SIGTERM)
            try:
                status = self.client.wait(timeout=120)
            except subprocess.TimeoutExpired:
                self.client.kill()
                self.client.wait()
                self.failures.append("the client did not end within 120 s of SIGTERM")
        if self.vansim and self.vansim.poll() is None:
            self.vansim.send_signal(signal.SIGTERM)
            self.vansim.wait(timeout=30)
        return status

    # --- the client's resources -------------------------------------------

    def memory(self):
        fields = {}
        with open(f"/proc/{self.client.pid}/status") as status:
            for line in status:
                name, _, value = line.partition(":")
                if name in ("VmRSS", "VmHWM"):
                    fields[name] = int(value.split()[0])
        return fields

    def descriptors(self):
        # Passes open connections and files for a moment; the quietest of a
        # few samples is what stays open.
        counts = []
        for _ in range(20):
            counts.append(len(os.listdir(f"/proc/{self.client.pid}/fd")))
            time.sleep(0.25)
        return min(counts)

    # --- load --------------------------------------------------------------

    def write_file(self, number):
        xml = number % 2 == 1
        size = int(self.random.lognormvariate(8.5, 1.2)) + 1  # a few KiB, now and then a few hundred
        size = min(size, 512 * 1024)
        if xml:
            name = f"x{number:06d}.xml"
            folder = self.outbound
            body = b'<?xml version="1.0" encoding="UTF-8"?>\r\n<zprava>' + os.urandom(size) + b"</zprava>\r\n"
        else:
            name = f"T{number:06d}.VAS"
            folder = os.path.join(self.outbound, "Praha")
            body = os.urandom(size)
        path = os.path.join(folder, name)
        with open(path, "wb") as out:
            out.write(body)
        # The client leaves files modified in the last few seconds for the next
        # pass (they may still be being written); these are complete.
        past = time.time() - 60
        os.utime(path, (past, past))
        self.sent[name] = ("xml" if xml else "txt", hashlib.sha256(body).hexdigest())

    def set_faults(self, rules):
        with open(os.path.join(self.server, "vansim.conf.new"), "w") as conf:
            conf.write("receipt_delay = 0\n")
            for rule in rules:
                conf.write(f"fault = {rule}\n")
        os.replace(os.path.join(self.server, "vansim.conf.new"), os.path.join(self.server, "vansim.conf"))

    def random_faults(self, round_number):
        rules = []
        for rule in self.random.sample(FAULTS, self.random.randint(1, 3)):
            # A different count makes a new rule, so each round's faults fire afresh.
            rules.append(f"{rule} times={self.random.randint(1, 3) + 3 * round_number}")
        return rules

    def arrive(self):
        started = time.monotonic()
        warm_at = started + self.args.seconds / 4
        number = 0
        fault_round = 0
        next_faults = started
        next_cycle = started
        while number < self.args.files:
            now = time.monotonic()
            due = int(self.args.files * min(1.0, (now - started) / self.args.seconds))
            while number < due:
                number += 1
                self.write_file(number)
            if self.memory_warm is None and now >= warm_at:
                self.memory_warm = self.memory()
            if now >= next_faults:
                fault_round += 1
                self.set_faults(self.random_faults(fault_round))
                next_faults = now + 5
            if now >= next_cycle:
                # Passes asked for from outside, besides the client's own timer.
                subprocess.Popen([self.ctl, "-q", "cycle"], env=self.env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
                next_cycle = now + 7
            if self.client.poll() is not None:
                self.failures.append(f"the client ended during the load (status {self.client.returncode})")
                return
            time.sleep(0.1)

    # --- the end state -----------------------------------------------------

    def waiting(self):
        return [name for _, _, names in os.walk(self.outbound) for name in names]

    def on_server(self):
        found = {}
        for folder, _, names in os.walk(os.path.join(self.server, "received")):
            for name in names:
                found.setdefault(name, []).append(os.path.join(folder, name))
        return found

    def receipts(self):
        counts = collections.Counter()
        for _, _, names in os.walk(self.inbound):
            counts.update(names)
        return counts

    @staticmethod
    def receipt_name(name, kind):
        base = name.split(".")[0]
        return f"{base}_POT.xml" if kind == "xml" else f"{base}.POT"

    def drain(self):
        self.set_faults([])
        deadline = time.monotonic() + self.args.drain
        while time.monotonic() < deadline:
            if not self.waiting() and sum(self.receipts().values()) >= len(self.sent):
                return True
            if self.client.poll() is not None:
                return False
            self.run_ctl("-q", "cycle", check=False)
            time.sleep(1)
        return False

    def check(self):
        server = self.on_server()
        waiting = set(self.waiting())
        receipts = self.receipts()
        identical = still_waiting = 0
        for name, (kind, digest) in sorted(self.sent.items()):
            copies = server.get(name, [])
            if len(copies) > 1:
                self.failures.append(f"{name}: {len(copies)} copies on the server")
            if copies:
                with open(copies[0], "rb") as received:
                    if hashlib.sha256(received.read()).hexdigest() != digest:
                        self.failures.append(f"{name}: the server's copy differs from the file sent")
                        continue
                identical += 1
                if name in waiting:
                    self.failures.append(f"{name}: on the server and still in the outbound folder")
                count = receipts.pop(self.receipt_name(name, kind), 0)
                if count != 1:
                    self.failures.append(f"{name}: {count} receipts in the inbound folder")
            elif name in waiting:
                still_waiting += 1
            else:
                self.failures.append(f"{name}: neither on the server nor in the outbound folder")
        for extra, count in receipts.items():
            self.failures.append(f"{extra}: {count} file(s) in the inbound folder for no file sent")
        return identical, still_waiting

    def requests(self):
        with open(os.path.join(self.server, "requests.log"), encoding="utf-8", errors="replace") as log:
            lines = log.readlines()
        return len(lines), sum("[fault:" in line for line in lines)

    def run(self):
        print(f"soak: {self.args.files} files over {self.args.seconds} s, seed {self.seed}, in {self.work}")
        port, ca = self.start_vansim()
        self.configure(port, ca)
        self.start_client()
        time.sleep(2)
        memory_start = self.memory()
        fds_start = self.descriptors()
        load_started = time.monotonic()
        self.arrive()
        drained = not self.failures and self.drain()
        duration = time.monotonic() - load_started
        if self.client.poll() is None:
            time.sleep(2)
            memory_end = self.memory()
            fds_end = self.descriptors()
        else:
            memory_end, fds_end = {}, -1
        status = self.stop()
        identical, still_waiting = self.check()
        requests, faulted = self.requests()
        if not drained:
            self.failures.append(f"not everything was sent and acknowledged within {self.args.drain} s")
        if status not in (0, None):
            self.failures.append(f"the client ended with status {status} after SIGTERM")
        warm = (self.memory_warm or {}).get("VmRSS")
        if warm and memory_end.get("VmRSS", 0) > warm * 1.5:
            self.failures.append(f"resident memory grew from {warm} KiB to {memory_end['VmRSS']} KiB under the same load")
        if fds_end > fds_start:
            self.failures.append(f"open file descriptors grew from {fds_start} to {fds_end}")

        print(f"time: {duration:.0f} s for load and drain")
        print(f"files: {len(self.sent)} written, {identical} on the server byte for byte, "
              f"{still_waiting} still waiting")
        print(f"requests: {requests} answered by the simulator, {faulted} of them with a fault")
        print(f"receipts: {sum(self.receipts().values())} in the inbound folder")
        warm = self.memory_warm or {}
        print(f"memory (KiB): VmRSS {memory_start.get('VmRSS')} idle at the start, {warm.get('VmRSS')} a quarter "
              f"into the load, {memory_end.get('VmRSS')} at the end; peak VmHWM {warm.get('VmHWM')} a quarter "
              f"into the load, {memory_end.get('VmHWM')} at the end")
        if warm.get("VmRSS") and memory_end.get("VmRSS"):
            print(f"memory ratio end/quarter (VmRSS): {memory_end['VmRSS'] / warm['VmRSS']:.2f}")
        print(f"file descriptors: {fds_start} at the start, {fds_end} at the end")
        for failure in self.failures[:50]:
            print("FAIL:", failure)
        if len(self.failures) > 50:
            print(f"FAIL: ... and {len(self.failures) - 50} more")
        if self.failures:
            print(f"kept for inspection: {self.work}")
            return 1
        shutil.rmtree(self.work)
        print("soak passed")
        return 0


def main():
    soak = Soak(parse_arguments())
    try:
        return soak.run()
    finally:
        soak.stop()


if __name__ == "__main__":
    sys.exit(main())
