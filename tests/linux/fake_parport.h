/* A stand-in for the kernel's parallel-port driver, preloaded into a test host
 * (LD_PRELOAD) so that the plug-in's real Linux port access runs against the
 * simulated bench and never against a real port:
 *   - /proc/sys/dev/parport/parportN/base-addr and /dev/parportN for N = 0..7,
 *     as configured here (absent ports: ENOENT);
 *   - the ppdev ioctls on those devices, each data/status access passed to the
 *     bench (kolmsim.h, compiled into this library) at the port's base;
 *   - ioperm and iopl always refused.
 * Every other path, descriptor and request goes to the C library untouched. */
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
    uint32_t iopermCalls;   /* refused ioperm/iopl */
} FakeParportCounts;

/* Which ports the machine has: parportN has I/O base bases[N], 0 for none. Also
 * clears the counts and whether devices may be opened. */
FAKE_PARPORT_API void fake_parport_configure(const uint16_t bases[8]);
/* Opening /dev/parportN fails with EACCES (a user not in group lp). */
FAKE_PARPORT_API void fake_parport_deny_open(int deny);
FAKE_PARPORT_API FakeParportCounts fake_parport_counts(void);
FAKE_PARPORT_API void fake_parport_clear_counts(void);

#ifdef __cplusplus
}
#endif

#endif
