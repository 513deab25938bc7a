/* The simulated bench: one KOLM box on each of the two parallel ports (0x378, 0x278),
 * and more on add-in cards at other bases if a test adds them, reached through byte-wide port reads and
 * writes, with a trace of every access. A C interface, so that the plug-in's simulator backend, test hosts
 * and a Windows port-helper stand-in can all share one bench. */
#ifndef KOLMSIM_H
#define KOLMSIM_H

#include <stddef.h>  // NOLINT(modernize-deprecated-headers): C callers include this header too
#include <stdint.h>  // NOLINT(modernize-deprecated-headers)

#if defined(_WIN32)
#define KOLMSIM_API __declspec(dllexport)
#else
#define KOLMSIM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct KolmsimAccess {  // NOLINT(modernize-use-using): C syntax
    uint8_t isWrite;            /* 1 for a write (out), 0 for a read (in) */
    uint8_t value;              /* byte written, or byte the read returned */
    uint16_t port;
} KolmsimAccess;

/* Port access as the plug-in makes it. Ports without a box read 0xFF. The try_
 * forms say whether the access happened (1) or failed (0, see kolmsim_fail_accesses);
 * the plain forms are those of a mechanism that cannot tell: a failed read gives 0xFF. */
KOLMSIM_API uint8_t kolmsim_in(uint16_t port);
KOLMSIM_API void kolmsim_out(uint16_t port, uint8_t value);
KOLMSIM_API int kolmsim_try_in(uint16_t port, uint8_t* value);
KOLMSIM_API int kolmsim_try_out(uint16_t port, uint8_t value);

/* A port that fails: of the accesses of the given kinds made from now on, numbered
 * from 1, those numbered first to first + count - 1 fail (count 0: none; UINT32_MAX:
 * every one from first on). A failed access reaches no box and is not traced. */
#define KOLMSIM_FAIL_READS  1
#define KOLMSIM_FAIL_WRITES 2
KOLMSIM_API void kolmsim_fail_accesses(uint32_t first, uint32_t count, int kinds);
/* Failed accesses since the trace was cleared, and accesses attempted after the
 * first of them (a caller that stops at a failure attempts none). */
KOLMSIM_API uint64_t kolmsim_failed_count(void);
KOLMSIM_API uint64_t kolmsim_attempts_after_failure(void);

/* Power both boxes up again: data latches 0x00, inputs back to the demo waveforms,
 * connected, access allowed and never failing, trace cleared; added boxes removed. */
KOLMSIM_API void kolmsim_reset(void);
/* One more box, on a parallel-port card whose data register is at `base` (status at
 * base + 1), until the next reset. 0 when the bench has no room for it (four boxes). */
KOLMSIM_API int kolmsim_add_box(uint16_t base);
/* The byte the port held before the plug-in was loaded (not traced). */
KOLMSIM_API void kolmsim_set_data(uint16_t base, uint8_t value);
KOLMSIM_API void kolmsim_set_count(uint16_t base, int channel, int count);
KOLMSIM_API void kolmsim_set_volts(uint16_t base, int channel, double volts);
KOLMSIM_API void kolmsim_set_connected(uint16_t base, int connected);
/* What the box's latch holds now (read without tracing). */
KOLMSIM_API uint8_t kolmsim_data(uint16_t base);
/* The box as it stands, read without tracing: the count a converter would sample
 * now (-1 without a box), whether it is plugged in, and whether its converters are
 * reset and wait for a reading (1) or a reading has begun clocking them (0). */
KOLMSIM_API int kolmsim_count(uint16_t base, int channel);
KOLMSIM_API int kolmsim_connected(uint16_t base);
KOLMSIM_API int kolmsim_converters_waiting(uint16_t base);

/* Whether the platform lets the plug-in reach the ports; a backend asks at start-up. */
KOLMSIM_API void kolmsim_refuse_access(int refuse);
KOLMSIM_API int kolmsim_access_refused(void);

/* The trace keeps the first KOLMSIM_TRACE_CAPACITY accesses since it was cleared;
 * kolmsim_access_count goes on counting past that. */
#define KOLMSIM_TRACE_CAPACITY 1000000u
KOLMSIM_API size_t kolmsim_trace_length(void);
KOLMSIM_API int kolmsim_trace_at(size_t index, KolmsimAccess* out);
KOLMSIM_API uint64_t kolmsim_access_count(void);
KOLMSIM_API void kolmsim_trace_clear(void);
KOLMSIM_API void kolmsim_trace_enable(int enabled);

#ifdef __cplusplus
}
#endif

#endif
