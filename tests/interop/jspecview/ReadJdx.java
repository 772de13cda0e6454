// Reads JCAMP-DX files with the JSpecView classes of JmolData.jar and prints, for each file on the
// command line, what the reader made of it as one JSON array on standard output:
//
//   [{"file": PATH, "spectra": [{"title": T, "x": [...], "y": [...]}, ...]},
//    {"file": PATH, "error": MESSAGE}, ...]
//
// Numbers that are not finite are written as null. One run reads every file, because starting
// the JVM costs more than reading a file. The library logs to standard output, so that is
// redirected to standard error while the files are read.
import java.io.FileDescriptor;
import java.io.FileInputStream;
import java.io.FileOutputStream;
import java.io.InputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;

import jspecview.common.Coordinate;
import jspecview.common.Spectrum;
import jspecview.source.JDXReader;
import jspecview.source.JDXSource;

public final class ReadJdx {
    private ReadJdx() {}

    private static void string(StringBuilder sb, String s) {
        if (s == null) {
            sb.append("null");
            return;
        }
        sb.append('"');
        for (int i = 0; i < s.length(); ++i) {
            final char c = s.charAt(i);
            if (c == '"' || c == '\\') {
                sb.append('\\').append(c);
            } else if (c < 0x20 || c > 0x7e) {
                sb.append(String.format("\\u%04x", (int) c));
            } else {
                sb.append(c);
            }
        }
        sb.append('"');
    }

    private static void number(StringBuilder sb, double v) {
        if (Double.isNaN(v) || Double.isInfinite(v)) {
            sb.append("null");
        } else {
            sb.append(Double.toString(v));
        }
    }

    private static void spectrum(StringBuilder sb, Spectrum s) {
        sb.append("{\"title\": ");
        string(sb, s.getTitle());
        final Coordinate[] xy = s.getXYCoords();
        sb.append(", \"x\": [");
        for (int i = 0; i < xy.length; ++i) {
            if (i > 0) sb.append(", ");
            number(sb, xy[i].getXVal());
        }
        sb.append("], \"y\": [");
        for (int i = 0; i < xy.length; ++i) {
            if (i > 0) sb.append(", ");
            number(sb, xy[i].getYVal());
        }
        sb.append("]}");
    }

    private static void file(StringBuilder sb, String path) {
        sb.append("{\"file\": ");
        string(sb, path);
        try (InputStream in = new FileInputStream(path)) {
            final JDXSource source = JDXReader.createJDXSourceFromStream(in, false, false, Float.NaN);
            sb.append(", \"spectra\": [");
            final int n = source.getNumberOfSpectra();
            for (int i = 0; i < n; ++i) {
                if (i > 0) sb.append(", ");
                spectrum(sb, source.getJDXSpectrum(i));
            }
            sb.append("], \"log\": ");
            string(sb, source.getErrorLog());
        } catch (Throwable e) {
            sb.append(", \"error\": ");
            string(sb, e.toString());
        }
        sb.append('}');
    }

    public static void main(String[] args) {
        final PrintStream out = new PrintStream(new FileOutputStream(FileDescriptor.out), true, StandardCharsets.US_ASCII);
        System.setOut(System.err);
        final StringBuilder sb = new StringBuilder("[");
        for (int i = 0; i < args.length; ++i) {
            if (i > 0) sb.append(",\n");
            file(sb, args[i]);
        }
        sb.append("]\n");
        out.print(sb);
        out.flush();
    }
}
