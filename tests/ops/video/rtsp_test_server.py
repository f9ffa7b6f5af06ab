#!/usr/bin/python3
"""An RTSP server for the video tests: GStreamer's RTSP server library
serving a live test pattern as motion JPEG over RTP (or H.264 when the
x264 encoder is there and "h264" is asked for) on /ch0 and /ch1.

    rtsp_test_server.py ADDRESS PORT [jpeg|h264]

Prints "ready" once it listens; runs until killed.
"""

import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtsp", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtsp, GstRtspServer  # noqa: E402


def main():
    address, port = sys.argv[1], sys.argv[2]
    codec = sys.argv[3] if len(sys.argv) > 3 else "jpeg"
    Gst.init(None)
    if codec == "h264" and Gst.ElementFactory.find("x264enc") is not None:
        encode = "x264enc tune=zerolatency key-int-max=10 ! rtph264pay name=pay0 pt=96"
    else:
        encode = "jpegenc ! rtpjpegpay name=pay0 pt=26"
    server = GstRtspServer.RTSPServer()
    server.set_address(address)
    server.set_service(port)
    mounts = server.get_mount_points()
    for channel in (0, 1):
        factory = GstRtspServer.RTSPMediaFactory()
        factory.set_launch("( videotestsrc is-live=true pattern=%d ! video/x-raw,format=I420,width=320,height=240,framerate=10/1"
                           " ! %s )" % (channel, encode))
        factory.set_shared(True)
        # Unicast only: RTP goes to the one client that asked, on loopback.
        factory.set_protocols(GstRtsp.RTSPLowerTrans.UDP | GstRtsp.RTSPLowerTrans.TCP)
        mounts.add_factory("/ch%d" % channel, factory)
    if server.attach(None) == 0:
        sys.exit("cannot listen on %s:%s" % (address, port))
    print("ready", flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
