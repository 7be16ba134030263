// The demonstration's variables and the dimensioning of its arrays in the runtime heap.
#include "demo/demo.h"
#include "runtime/heap.h"

DemoState Demo;

std::int32_t DimensionDemoArrays() {
  Demo.LightMapDimensions[0] = 257;
  Demo.LightMapDimensions[1] = 257;
  DimensionArray(&Demo.LightMap, 4, kLongElements, 2, Demo.LightMapDimensions);
  Demo.HeightMapDimensions[0] = 321;
  Demo.HeightMapDimensions[1] = 201;
  DimensionArray(&Demo.HeightMap, 2, kWordElements, 2, Demo.HeightMapDimensions);
  return Demo.LightMap != 0 && Demo.HeightMap != 0;
}
