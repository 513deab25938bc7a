/* A stand-in for the kernel's parallel-port driver, preloaded into a test host
 * (LD_PRELOAD) so that the plug-in's real Linux port access runs against the
 * simulated bench and never against a real port:
 *   - /proc/sys/dev/parport/parportN/base-addr, .../devices/active and /dev/parportN
 *     for N = 0..7, as configured here (absent ports: ENOENT), access() on the device
 *     files, and /proc/devices, which lists ppdev while it is "loaded";
 *   - the ppdev ioctls on those devices, each data/status access passed to the
 *     bench (kolmsim.h, compiled into this library) at the port's base; an access
 *     the bench fails (kolmsim_fail_accesses) fails with EIO;
 *   - ioperm and iopl refused, or granted per thread; with the I/O server on, the
 *     in/out instructions of a granted thread are served from the bench by a
 *     SIGSEGV handler (the kernel itself never granted anything).
 *   - /proc/self/fd/N of a device descriptor reads back as /dev/parportN;
 *   - under /proc/self/fake_parport/, where no kernel has files: parportN, the same
 *     device as /dev/parportN (for an emulator, which then cannot reach a real port
 *     when this library is not in effect), and handshake, which reads
 *     "fake_parport <pid>": proof, checked by a script in the process that goes on to
 *     drive ports, that this library serves that process;
 *   - with shared latches, the data lines outlast the process, as a real port's do.
 * Every other path, descriptor and request goes to the C library untouched.
 * Run by hand, FAKE_PARPORT_BASES="0x378,0xD010" sets parport0, parport1, ...
 * ("0x378:709:179": that box's two inputs held at counts 709 and 179);
 * FAKE_PARPORT_LATCHES=FILE shares the data lines through FILE (see below). */
#ifndef FAKE_PARPORT_H
#define FAKE_PARPORT_H

#include <stdint.h>

#define FAKE_PARPORT_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

typedef struct FakeParportCounts {
    uint32_t ioctls;          /* every ioctl on a device */
    uint32_t dataIoctls;      /* PPRDATA, PPWDATA, PPRSTATUS */
    uint32_t claims;          /* successful PPCLAIM */
    uint32_t unclaimedAccess; /* register ioctls refused because the port was not claimed */
    uint32_t otherIoctls;     /* anything else (answered ENOTTY) */
    uint32_t deviceOpens;
    uint32_t openDevices;   /* /dev/parportN descriptors not yet closed */
    uint32_t baseAddrReads; /* opens of a base-addr file */
    uint32_t iopermCalls;   /* ioperm/iopl, granted or not */
    uint32_t heldClaims;    /* PPCLAIM while another program held the port (it would wait) */
    uint32_t servedIo;      /* in/out instructions served from the bench */
    uint32_t ungrantedIo;   /* in/out at a port the thread was not granted */
} FakeParportCounts;

/* Which ports the machine has: parportN has I/O base bases[N], 0 for none. Also
 * clears the counts and every fault and grant set below: all ports free, ppdev
 * loaded, devices open and claim, direct I/O refused. */
FAKE_PARPORT_API void fake_parport_configure(const uint16_t bases[8]);
/* The ppdev driver unloaded (0): no /dev/parportN, and /proc/devices without it. */
FAKE_PARPORT_API void fake_parport_ppdev(int loaded);
/* Opening /dev/parportN fails with EACCES (a user not in group lp). */
FAKE_PARPORT_API void fake_parport_deny_open(int deny);
/* USB printer cables plugged in: /dev/usb/lp0 to lp<count-1> exist (usblp). */
FAKE_PARPORT_API void fake_parport_usb_printers(int count);
/* Another program holds parportN: devices/active names `holder` ("none" when NULL),
 * and a PPCLAIM meanwhile would wait (it fails with EINTR after a short while). */
FAKE_PARPORT_API void fake_parport_hold(int port, const char* holder);
/* PPCLAIM fails (ENXIO). */
FAKE_PARPORT_API void fake_parport_refuse_claim(int refuse);
/* parportN/base-addr reads `text` instead of the kernel's form (NULL: back to it). */
FAKE_PARPORT_API void fake_parport_base_text(int port, const char* text);
/* ioperm: FAKE_IOPERM_REFUSED (default), _GRANTED to every thread, or _FIRST_THREAD
 * only (every later thread refused). Serving in/out from the bench: fake_parport_serve_io. */
#define FAKE_IOPERM_REFUSED      0
#define FAKE_IOPERM_GRANTED      1
#define FAKE_IOPERM_FIRST_THREAD 2
FAKE_PARPORT_API void fake_parport_ioperm(int mode);
FAKE_PARPORT_API void fake_parport_serve_io(int on);
/* The data lines of every parportN kept in `file` from now on, as the bench holds
 * them now: each process of a test that shares the file (this one, the processes it
 * forks, programs started with FAKE_PARPORT_LATCHES=file) finds the lines the last
 * one left, as on one machine's real ports. */
FAKE_PARPORT_API void fake_parport_share_latches(const char* file);
FAKE_PARPORT_API FakeParportCounts fake_parport_counts(void);
FAKE_PARPORT_API void fake_parport_clear_counts(void);

#ifdef __cplusplus
}
#endif

#endif
