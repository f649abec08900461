/*
 * The one place that chooses between the vector (SSE2) forms of the per-pixel procedures and
 * their plain forms. Every table of such procedures asks here; the plain forms are the
 * reference the vector ones match bit for bit, and they are all a build for a processor
 * without SSE2 (or one configured with SETUP_GRAPHICS_PORTABLE) has.
 */
#ifndef GRAPHICS_CORE_SKPROCFORM_H_
#define GRAPHICS_CORE_SKPROCFORM_H_

#include "graphics/core/SkTypes.h"

#if !defined(SK_PROCS_PORTABLE_ONLY) && (defined(__x86_64__) || defined(_M_X64) || defined(__SSE2__))
#define SK_PROCS_HAVE_VECTOR 1
#else
#define SK_PROCS_HAVE_VECTOR 0
#endif

enum SkProcForm {
    kPortable_SkProcForm = 0,
    kVector_SkProcForm = 1,
};

// The form the procedure tables hand out: the vector form where the build has it.
SkProcForm SkGetProcForm ();
// Chooses the form handed out from now on (tests run both this way); asking for the vector
// form in a build without it keeps the plain one. Returns the form now in force.
SkProcForm SkSetProcForm (SkProcForm form);

#endif
