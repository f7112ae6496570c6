// The framework's chief header: every public header of libzq.
// A program built on the framework includes this one file and nothing else of it.
#pragma once

// system, error codes, text, tasks, threads
#include "zq/system/ZqError.h"
#include "zq/system/ZqMessageBox.h"
#include "zq/system/ZqSprintf.h"
#include "zq/system/ZqString.h"
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"
#include "zq/thread/ZqCriticalSection.h"
#include "zq/thread/ZqEvent.h"
#include "zq/thread/ZqFifo.h"
#include "zq/thread/ZqThread.h"

// memory
#include "zq/memory/ZqFixList.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/memory/ZqRefAlloc.h"
#include "zq/memory/ZqRefList.h"

// crypto
#include "zq/crypto/ZqAes.h"
#include "zq/crypto/ZqBigNumber.h"
#include "zq/crypto/ZqBlockCipher.h"
#include "zq/crypto/ZqBlowfish.h"
#include "zq/crypto/ZqCamellia.h"
#include "zq/crypto/ZqHash.h"
#include "zq/crypto/ZqKaratsuba.h"
#include "zq/crypto/ZqMontgomery.h"
#include "zq/crypto/ZqRsa.h"

// files
#include "zq/file/ZqArcFile.h"
#include "zq/file/ZqContainer.h"
#include "zq/file/ZqFile.h"
#include "zq/file/ZqRegistry.h"
#include "zq/file/ZqZlib.h"
#include "zq/file/ZquLog.h"
#include "zq/file/ZquPathList.h"

// xml
#include "zq/xml/ZqXml.h"

// math
#include "zq/math/ZqBlumBlumShub.h"
#include "zq/math/ZqMarsagliaMulticarry.h"
#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqMt19937Ar.h"
#include "zq/math/ZqNumeric.h"
#include "zq/math/ZqPoint.h"
#include "zq/math/ZqQuat.h"
#include "zq/math/ZqRect.h"
#include "zq/math/ZqVector2.h"
#include "zq/math/ZqVector3.h"
#include "zq/math/ZqVector4.h"

// graphics
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlEffect.h"
#include "zq/gl/ZqGlFog.h"
#include "zq/gl/ZqGlFont.h"
#include "zq/gl/ZqGlLight.h"
#include "zq/gl/ZqGlLine.h"
#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlQuery.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlShowTexture.h"
#include "zq/gl/ZqGlSprite.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"

// geometry: the figures and the pools
#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgBody.h"
#include "zq/dg/ZqDgCapsule.h"
#include "zq/dg/ZqDgCylindroid.h"
#include "zq/dg/ZqDgFieldlessFigure.h"
#include "zq/dg/ZqDgFigure.h"
#include "zq/dg/ZqDgLine.h"
#include "zq/dg/ZqDgObbTree.h"
#include "zq/dg/ZqDgOrientedBoundingBox.h"
#include "zq/dg/ZqDgPlane.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgRectangle.h"
#include "zq/dg/ZqDgSphere.h"
#include "zq/dg/ZqDgSystem.h"
#include "zq/dg/ZqDgTriangle.h"

// devices, sound, network
#include "zq/input/ZqDoubleBuffer.h"
#include "zq/input/ZqInput.h"
#include "zq/input/ZqKey.h"
#include "zq/io/ZqDakt.h"
#include "zq/io/ZqLedController.h"
#include "zq/io/ZqMarlox4.h"
#include "zq/io/ZqTicketDispenser.h"
#include "zq/net/ZqClientSocket.h"
#include "zq/net/ZqHttpConnection.h"
#include "zq/net/ZqNetAddress.h"
#include "zq/net/ZqNetSystem.h"
#include "zq/net/ZqServerSocket.h"
#include "zq/net/ZqSocket.h"
#include "zq/sd/ZqSdSound.h"
#include "zq/sd/ZqSdSystem.h"

// utilities
#include "zq/u/ZquSystem.h"
#include "zq/u/pm/ZquPmManager.h"
#include "zq/u/transition/ZquScreenTransition.h"
#include "zq/u/vinput/ZquVirtualInput.h"
