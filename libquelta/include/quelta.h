/*
 * quelta.h - the Quelta tracking library (libquelta.so).
 *
 * The library watches a capture source for the coloured mark that Quelta has been set up to
 * find and tells its caller, at any moment, whether the mark is in view and where. It runs
 * its own thread that takes every frame from the source and runs the tracking pass on it
 * (without drawing), using the limits that Quelta keeps in the per-user store
 * (~/.config/Orda/Quelta.conf, group "Settings"; the store is only read, never written).
 *
 * Every function may be called from any thread, in any order, any number of times.
 *
 * Link with:  pkg-config --cflags --libs quelta
 * or load at run time with dlopen("libquelta.so") and dlsym of the names below.
 */
#ifndef QUELTA_H
#define QUELTA_H

#if defined(QUELTA_BUILDING_LIBRARY)
#define QUELTA_API __attribute__((visibility("default")))
#else
#define QUELTA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Opens a capture source, reads the tracking limits from the per-user store and starts
 * tracking every frame. `source` selects the capture source:
 *
 *     0   the source that Quelta remembers (QSettings "Orda"/"Quelta", key Capture/Source:
 *         v4l2:/dev/videoN, file:PATH, gst:PIPELINE or testcam[:WxH@FPS]);
 *    n>0  the n-th video capture device found on the machine (1 is the first camera, in the
 *         order of /sys/class/video4linux);
 *    n<0  the built-in test camera (640 x 480 at 30 frames per second), a synthetic picture
 *         whose mark leaves the picture and comes back every few seconds.
 *
 * Returns 0 when the source cannot be opened (none remembered, no such device, the device
 * does not deliver), and 1 when tracking runs. While tracking already runs, a further call
 * changes nothing and returns 1; call QTAFinalitza first to switch sources.
 */
QUELTA_API short QTAInicialitza(int source);

/*
 * Returns 1 when the latest frame holds the mark, and then writes its centre: *x the column
 * on a 0..640 scale, *y the row on a 0..480 scale, whatever the frame size, rounded to whole
 * numbers. Returns 0, and writes nothing, when the latest frame does not hold the mark, when
 * no frame has arrived for more than one second (camera lost, stream ended: the mark counts
 * as absent), when tracking is not running, or before the first frame. x or y may be NULL.
 */
QUELTA_API short QTAObtenirPosicio(short* x, short* y);

/*
 * Stops tracking and releases the capture source. Harmless when tracking does not run.
 */
QUELTA_API void QTAFinalitza(void);

/*
 * Loads a Quelta settings file (".qta": "QTA 1" and the eleven limits, one per line) into
 * the limits in use; the frames from the next one on are tracked with them. All or nothing:
 * returns 1 when the file was loaded, 0 when it cannot be read or is not a valid settings
 * file (the limits in use then stay as they were) or when tracking is not running. The
 * per-user store is not changed.
 */
QUELTA_API short QTACarregarAjustos(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* QUELTA_H */
