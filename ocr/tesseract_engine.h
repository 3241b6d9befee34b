#pragma once

#include <memory>

#include "engine.h"

// The recognition engine on Tesseract's LSTM models, images read by Leptonica.
std::unique_ptr<RecognitionEngine> makeTesseractEngine();
