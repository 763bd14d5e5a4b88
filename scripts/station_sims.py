# What the station's view scripts share (station-view-load-test.sh,
# station-view-measure.sh): the firmware folder, a store with numbers,
# simulated devices on ready files and a free port for the view.
import atexit, os, shutil, socket, subprocess, sys, tempfile, time


def setup():
    """The build folder (the script's argument), a work folder removed at
    the end, korvel-cli and the simulator."""
    build = sys.argv[1]
    work = tempfile.mkdtemp()
    atexit.register(shutil.rmtree, work, True)
    return build, work, f"{build}/cli/korvel-cli", f"{build}/tools/korvel_simulator"


def firmware_folder(work, firmware_bytes):
    """work/fw with random images: the boot loader, the module firmware of
    `firmware_bytes` and the application."""
    os.makedirs(f"{work}/fw", exist_ok=True)
    for name, size in (("dwl.dwl", 1024), ("firmware_Q2687RD.dwl", firmware_bytes), ("KORVEL.dwl", 4096)):
        with open(f"{work}/fw/{name}", "wb") as f:
            f.write(os.urandom(size))
    return f"{work}/fw"


def store_with_numbers(cli, work, last):
    """work/station.sqlite with the numbers 1..last free."""
    store = f"{work}/station.sqlite"
    subprocess.run([cli, "serials", "add", "1", str(last), "--store", store], check=True, stdout=subprocess.DEVNULL)
    return store


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def simulators(sim, work, run, devices, baud, states=False):
    """Starts `devices` simulators and waits for their ports; with `states`
    each keeps its state in work/state-RUN-DEVICE.  The processes and the
    ports, in the devices' order."""
    procs, ready = [], []
    for d in range(devices):
        ready.append(f"{work}/ready-{run}-{d}")
        args = [sim, "--restart-ms", "100", "--baud", str(baud), "--ready-file", ready[-1]]
        if states:
            args += ["--state", f"{work}/state-{run}-{d}"]
        procs.append(subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    ports = []
    for r in ready:
        while not (os.path.exists(r) and os.path.getsize(r)):
            time.sleep(0.02)
        ports.append(open(r).read().strip())
    return procs, ports
