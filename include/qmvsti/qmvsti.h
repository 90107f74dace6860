/* The host-side ABI of the library in one include: COM basics and property pages, the interface and
 * event ids, the host records, the host callbacks and every host interface. */
#ifndef QMVSTI_QMVSTI_H
#define QMVSTI_QMVSTI_H

#include "callconv.h"
#include "com.h"
#include "guids.h"
#include "host_structures.h"
#include "callbacks.h"
#include "midi_class.h"
#include "midi_out.h"
#include "soft_synth.h"
#include "midi_in.h"
#include "midi_buffer.h"
#include "midi_device.h"
#include "plugin_manager_cache.h"
#include "presets.h"

#endif
