"""The plug-in interface's facts, made by python/make_wheel.py from
tools/kolmctl/interface_facts.txt: edit that."""

#: an entry point's answer without a value (-777.0 from the ones giving a double)
NO_VALUE = -777

#: the highest count of a reading: 10 bits
FULL_COUNT = 1023

#: volts = counts x scale_volts / scale_counts, as the plug-in scales them
SCALE_VOLTS = 5.0

#: volts = counts x scale_volts / scale_counts
SCALE_COUNTS = 1024

#: the analogue inputs, 0 and 1
CHANNELS = 2

#: the relays, 0 to 3, on data lines D0-D3
RELAYS = 4

#: the relays' data lines D0-D3, relay k on bit k
RELAY_MASK = 0x0F

#: SB(k, v) answers k x echo_step + v: the relay and the state it set
ECHO_STEP = 100

#: the port helper DLL a 32-bit Windows plug-in loads
HELPER_DLL_32 = "inpout32.dll"

#: the port helper DLL a 64-bit Windows plug-in loads
HELPER_DLL_64 = "inpoutx64.dll"
