// The whole JSON component: value kinds, objects, arrays and the writer.
#pragma once

#include "base/json/array.h"
#include "base/json/exception.h"
#include "base/json/null.h"
#include "base/json/object.h"
#include "base/json/trivial_type.h"
#include "base/json/unknown_element.h"
#include "base/json/writer.h"
