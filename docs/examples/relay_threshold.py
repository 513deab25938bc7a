"""Relay 0 follows input 0: on above 3.0 V, off again below 2.0 V (the gap between the
two keeps it from chattering around one threshold), for 10 s. Relays 1 to 3 stay as
they were. The box: the virtual one ("SIM") unless another is named.

    python3 relay_threshold.py [seconds] [SIM|LPT1|LPT2|PLUGIN-FILE]
"""
import sys
import time

import kolm

ON_ABOVE, OFF_BELOW = 3.0, 2.0
seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 10.0

with kolm.open(sys.argv[2] if len(sys.argv) > 2 else "SIM") as box:
    # Relay 0 starts off; switching it leaves the others as they are.
    box.relays[0] = False
    start = time.monotonic()
    while time.monotonic() - start < seconds:
        volts = box.volts(0)
        if volts > ON_ABOVE and not box.relays[0]:
            box.relays[0] = True
            print(f"{time.monotonic() - start:5.2f} s  {volts:.3f} V  relay 0 on")
        elif volts < OFF_BELOW and box.relays[0]:
            box.relays[0] = False
            print(f"{time.monotonic() - start:5.2f} s  {volts:.3f} V  relay 0 off")
        time.sleep(0.01)
    box.relays[0] = False
