#pragma once
// The images and form controls of a text section, by character position.
#include <vector>

#include "html/form_controls.h"
#include "html/image_obj.h"
#include "html/properties.h"
