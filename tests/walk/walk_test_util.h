// Helpers of the walk tests: drawings made by make_drawing.py, the pass run
// with chosen options and its command-line output captured, the result saved
// and checked by oracle.py (ezdxf).
#pragma once

#include <string>

#include "tests/arx/arx_test_util.h"
#include "walk/walk.h"

// Options for one test: the defaults with the given direction.
RecodeOptions optionsFor(int mode);

// Makes a drawing with make_drawing.py (VERSION R2000 or R2018; variant empty,
// "refusals", "table" or "table-block-first"), then reads it into the host and
// saves it again, so that later comparisons see the host's own writing of an
// unchanged drawing. Returns the saved file's path.
std::string makeDrawing(const TempDir& dir, const std::string& version, const std::string& variant = "");

// Reads a drawing; fails the test when it cannot.
void readDrawing(AcDbDatabase& db, const std::string& path);
void saveDrawing(AcDbDatabase& db, const std::string& path);

// Runs recodeDrawing on the file with the options and saves the result;
// returns what the pass printed (UTF-8).
std::string recodeFile(const std::string& in, const std::string& out, const RecodeOptions& options);

// Runs oracle.py; ok when it found no mismatch. `extra` are its options.
std::string runOracle(const std::string& before, const std::string& after, const std::string& mode,
                      const std::string& extra, bool& ok);

// The oracle over many drawings in one run: `list` holds lines "BEFORE<TAB>AFTER"; drawings
// whose text ezdxf cannot decode are left out.
std::string runOracleBatch(const std::string& list, const std::string& mode, bool& ok);

// Captures what acutPrintf writes while f runs.
template <class F>
std::string printed(F&& f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

// The progress lines of the thirteen name steps, each ended by "готово.".
std::string nameStepLines();
extern const std::string kBlockStepLine;
extern const std::string kRasterStepLine;

// Id of a layer by name (null when missing), and whether it is locked.
AcDbObjectId layerId(AcDbDatabase& db, const HStr& name);
bool layerLocked(AcDbObjectId id);
