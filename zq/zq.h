// The framework's chief header: every public header of libzq, and in a section of their own the
// platform contracts a program may use beside the framework. A program built on the framework
// includes this one file and nothing else of it.
// Headers named *_internal.h are private to their folder (tests may reach them); *_test.h
// headers are test hooks; the other headers of zq/platform serve the framework alone.
// tests/zq/ChiefHeaderTest.cpp checks that this file includes every other header of zq/, and
// its build that each compiles on its own.
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
#include "zq/memory/ZqRefResource.h"

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

// files and stored formats
#include "zq/file/ZqArcFile.h"
#include "zq/file/ZqByteOrder.h"
#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqByteWriter.h"
#include "zq/file/ZqCipherFileFormat.h"
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
#include "zq/gl/ZqGlEffectFile.h"
#include "zq/gl/ZqGlEffectFormat.h"
#include "zq/gl/ZqGlEffectParams.h"
#include "zq/gl/ZqGlFog.h"
#include "zq/gl/ZqGlFont.h"
#include "zq/gl/ZqGlLight.h"
#include "zq/gl/ZqGlLine.h"
#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlQuery.h"
#include "zq/gl/ZqGlResourcePlayer.h"
#include "zq/gl/ZqGlScreen.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlShadowMap.h"
#include "zq/gl/ZqGlShowTexture.h"
#include "zq/gl/ZqGlSprite.h"
#include "zq/gl/ZqGlSpriteQuad.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/gl/ZqGlTextureSet.h"
#include "zq/gl/ZqGlTextureSetFormat.h"

// models and animation
#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlAnimationFormat.h"
#include "zq/gl/ZqGlAnimationMixer.h"
#include "zq/gl/ZqGlAnimationPlayer.h"
#include "zq/gl/ZqGlCameraAnimation.h"
#include "zq/gl/ZqGlCameraAnimationFormat.h"
#include "zq/gl/ZqGlCameraAnimationPlayer.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/gl/ZqGlModel.h"
#include "zq/gl/ZqGlModelFile.h"
#include "zq/gl/ZqGlModelFormat.h"
#include "zq/gl/ZqGlTextureAnimation.h"
#include "zq/gl/ZqGlTextureAnimationPlayer.h"

// geometry: the figures, the pools, collision sets and mass-spring bodies
#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgBody.h"
#include "zq/dg/ZqDgCapsule.h"
#include "zq/dg/ZqDgClothSimulator.h"
#include "zq/dg/ZqDgCollision.h"
#include "zq/dg/ZqDgCollisionFormat.h"
#include "zq/dg/ZqDgCylindroid.h"
#include "zq/dg/ZqDgFieldlessFigure.h"
#include "zq/dg/ZqDgFigure.h"
#include "zq/dg/ZqDgLine.h"
#include "zq/dg/ZqDgObbTree.h"
#include "zq/dg/ZqDgOrientedBoundingBox.h"
#include "zq/dg/ZqDgPlane.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgRectangle.h"
#include "zq/dg/ZqDgRigid.h"
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
#include "zq/io/ZqSciPacket.h"
#include "zq/io/ZqTicketDispenser.h"
#include "zq/net/ZqClientSocket.h"
#include "zq/net/ZqHttpConnection.h"
#include "zq/net/ZqHttpUrl.h"
#include "zq/net/ZqNetAddress.h"
#include "zq/net/ZqNetSystem.h"
#include "zq/net/ZqServerSocket.h"
#include "zq/net/ZqSocket.h"
#include "zq/sd/ZqSdSound.h"
#include "zq/sd/ZqSdSoundFormat.h"
#include "zq/sd/ZqSdSystem.h"

// utilities
#include "zq/u/ZquSystem.h"
#include "zq/u/pm/ZquPm.h"
#include "zq/u/pm/ZquPmFileLoader.h"
#include "zq/u/pm/ZquPmFormat.h"
#include "zq/u/pm/ZquPmManager.h"
#include "zq/u/pm/ZquPmParam.h"
#include "zq/u/transition/ZquScreenTransition.h"
#include "zq/u/transition/ZquScreenTransitionFormat.h"
#include "zq/u/vinput/ZquVirtualInput.h"

// ---------------------------------------------------------------------------------------------
// Platform contracts a program may use beside the framework: the wall-clock calendar, UTF-8 and
// UTF-16 conversion, files and folders, the graphics device and the main window. The other
// services of zq/platform are reached through the framework's classes above.
#include "zq/platform/fs/fs.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/platform/os/calendar.h"
#include "zq/platform/os/utf.h"
#include "zq/platform/window/window.h"
