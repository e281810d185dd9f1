/*
 * quelta.h - the Quelta tracking library (libquelta.so).
 *
 * The library watches a capture source for the coloured mark that Quelta has been set up to
 * find and tells its caller, at any moment, whether the mark is in view and where. It runs
 * its own thread that takes every frame from the source and runs the tracking pass on it
 * (without drawing), using the limits that Quelta keeps in the per-user store
 * (~/.config/Orda/Quelta.conf, group "Settings"; the store is only read, never written).
 *
 * The store may hold a colour set: 1 to 16 named colours (group "Colours"), the first of them
 * the one of group "Settings". The library then tracks every colour of the set in each frame,
 * every mark of each, and gives each mark an identity that lasts from frame to frame.
 * "The mark" of QTAObtenirPosicio is always the first colour's chosen mark (the one whose
 * bounding box has the longest diagonal), as with no set.
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

#include <stdint.h>

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
 * per-user store is not changed. With a colour set the limits are the first colour's; the
 * other colours stay as they are.
 */
QUELTA_API short QTACarregarAjustos(const char* path);

/*
 * One mark of the newest frame, as QTAObtenirMarques writes it. Positions are in pixels of the
 * frame (x from the left, y from the top); Row and Col are the centre on the 0..480 and
 * 0..640 scales of QTAObtenirPosicio.
 */
typedef struct QTAMarca {
    /* 1, 2, ...: the mark's own for the whole run, never given to another mark */
    uint64_t Id;
    /* the index of its colour in the set: 0 is the first (see QTANomColor) */
    int32_t Colour;
    /* the box around the mark's pixels, inclusive */
    uint32_t MinX, MinY, MaxX, MaxY;
    /* the mean pixel */
    float CenterX, CenterY;
    /* the region's area in pixels */
    int32_t PixelCount;
    /* the centre on the 480-row and 640-column scales, unrounded */
    float Row, Col;
    /* the major axis in degrees, 0 along x, counter-clockwise as seen on the picture, in
       (-90, 90]; and 1 - minor / major axis, 0 for a disc */
    float Angle, Elongation;
    /* frames since the mark was first seen (0 in that frame) */
    int32_t Age;
    /* frames since it was last seen, 0 when seen in the newest frame: a mark out of sight is
       kept at its predicted place for 10 frames, then its identity ends */
    int32_t Lost;
    /* frame pixels per second, smoothed; 0 until the mark has been seen twice */
    float VelocityX, VelocityY;
} QTAMarca;

/* Bytes that hold any colour's name with its terminating NUL (names have 1 to 32 characters:
   letters, digits, '-' and '_'). */
#define QTA_LONGITUD_NOM 33

/*
 * Writes the marks of the newest frame into marques[0 .. capacitat-1] and returns how many it
 * wrote: every colour's marks, colour by colour in the set's order; within a colour those seen
 * in the newest frame, longest box diagonal first (at most the colour's MaxMarks), then those
 * out of sight but still kept (Lost > 0). When there are more than capacitat, the first
 * capacitat are written. Returns 0, and writes nothing, when marques is NULL or capacitat is
 * 0 or less, when tracking is not running, before the first frame, or when no frame has
 * arrived for more than one second. Identities start afresh with each QTAInicialitza.
 */
QUELTA_API int QTAObtenirMarques(QTAMarca* marques, int capacitat);

/*
 * As QTAObtenirPosicio, for the chosen mark (longest box diagonal) of colour `color` of the
 * set in the newest frame (0 is the first colour: this is then QTAObtenirPosicio itself).
 * Returns 1 and writes its centre when that colour is in view; 0, writing nothing, when it is
 * not, when `color` is not a colour of the set, or where QTAObtenirPosicio answers 0.
 */
QUELTA_API short QTAObtenirPosicioColor(int color, short* x, short* y);

/*
 * The number of colours of the set: while tracking runs, of the set in use (read from the
 * store by QTAInicialitza); otherwise of the set in the per-user store now (a store without a
 * set holds one colour, "mark"). 0 when the store cannot be read.
 */
QUELTA_API int QTANombreColors(void);

/*
 * Writes the name of colour `color` (0 is the first) of the same set as QTANombreColors, with
 * its terminating NUL, into nom[0 .. capacitat-1], and returns its length. Returns 0, and
 * writes nothing, when nom is NULL, when there is no such colour, or when capacitat is smaller
 * than the length plus one (QTA_LONGITUD_NOM always suffices).
 */
QUELTA_API int QTANomColor(int color, char* nom, int capacitat);

#ifdef __cplusplus
}
#endif

#endif /* QUELTA_H */
