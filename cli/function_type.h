// The three functions of the program, chosen by the name it is started under.
#pragma once

enum functionType {
  concatenateFunction = 0,  // clipchain, or any other name
  multiplexFunction = 1,    // clipstack
  modifyFunction = 2,       // cliptweak
};
