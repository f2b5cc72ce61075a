#pragma once
// The images and form controls of a text section, by character position.
#include <vector>

#include "html/css/properties.h"
#include "html/layout/forms/form_controls.h"
#include "html/layout/images/image_obj.h"
